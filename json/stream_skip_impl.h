// Body of the skip loop, included by stream_skip_avx2.cpp and stream_skip_sse2.cpp inside namespace
// rg_Tolvar_JSON::detail, each of which first defines QUELIX_SKIP_FUNCTION (the function's name),
// QUELIX_SKIP_ATTRIBUTES (its target attribute) and QUELIX_SKIP_CLASSIFY(p, m) (fills a
// StreamBlockMasks from 64 bytes). Kept in one place so both versions stay identical.
//
// Per 64-byte block: the masks of the bytes each quote state reacts to; then one event per such
// byte. One branch per state keeps the state in the program counter, so the processor runs ahead
// on its predictions instead of waiting on table lookups.

QUELIX_SKIP_ATTRIBUTES int64_t QUELIX_SKIP_FUNCTION(const uint8_t* data, int64_t& next, int64_t end, SkipState& s) {
    std::vector<uint8_t>& stackVec = *s.stack;
    uint8_t* stack = stackVec.data();
    uint8_t st = s.state;
    size_t level = s.level;
    int64_t pos = next;
    while (pos < end) {
        const int64_t base = pos & ~int64_t(63);
        if (stackVec.size() < level + 66) { // room for every bracket of this block
            stackVec.resize(2 * level + 66);
            stack = stackVec.data();
        }
        StreamBlockMasks bm;
        QUELIX_SKIP_CLASSIFY(data + base, bm);
        const uint64_t brackets = bm.open | bm.close;
        const uint64_t inDouble = bm.backslash | bm.dquote, inSingle = bm.backslash | bm.squote;
        const uint64_t normal = bm.backslash | brackets | bm.dquote | bm.squote;
        const uint64_t closed = bm.backslash | brackets | bm.delim;
        uint64_t from = ~((uint64_t(1) << (pos - base)) - 1);
        pos = base + 64 < end ? base + 64 : end;
        // Most blocks hold nothing the current state reacts to (the middle of a long string, a run
        // of numbers): they change nothing.
        const uint64_t reacting = st == kSkipNormal ? normal : st == kSkipDouble ? inDouble : st == kSkipSingle ? inSingle : closed;
        if ((reacting & from) == 0) continue;

        // Fast path for blocks outside single quotes: the quote state of
        // every byte comes from the parity of the double quotes before it, and a block is taken
        // whole when its quotes pair up the way well-formed JSON has them (each closed quoted
        // token followed by a delimiter or bracket before the next quote). Anything else goes to
        // the event loop below, which follows the rules byte by byte.
        bool eventLoop = true;
        const uint64_t backslashes = bm.backslash & from;
        // Bytes taken by backslashes (the backslash and the bytes it skips); `fits` is false when
        // a backslash skips past the block, which the event loop handles.
        uint64_t taken = 0;
        bool fits = true;
        if (backslashes != 0) {
            if (s.backslashSkip == 1) {
                // In each run of backslashes every other one skips the next byte, so a run of odd
                // length takes the byte after it. A start bit added to its run carries out just
                // past the run's end; whether that end lies at an even or odd distance from the
                // start tells the run's parity.
                constexpr uint64_t kEven = 0x5555555555555555ULL, kOdd = ~kEven;
                const uint64_t runStarts = backslashes & ~(backslashes << 1);
                const uint64_t afterEven = (backslashes + (runStarts & kEven)) & ~backslashes;
                const uint64_t afterOdd = (backslashes + (runStarts & kOdd)) & ~backslashes;
                taken = (afterEven & kOdd) | (afterOdd & kEven) | backslashes;
                fits = (backslashes >> 63) == 0;
            } else {
                // Two bytes skipped (UTF-16): one backslash at a time, those already taken skip nothing.
                for (uint64_t b = backslashes; b != 0; b &= b - 1) {
                    const int i = __builtin_ctzll(b);
                    if ((taken >> i) & 1) continue;
                    if (i + s.backslashSkip > 63) {
                        fits = false;
                        break;
                    }
                    taken |= ((uint64_t(2) << s.backslashSkip) - 1) << i;
                }
            }
        }
        if (st != kSkipSingle && fits) {
            const uint64_t live = from & ~taken; // bytes the rules examine
            const uint64_t quotes = bm.dquote & live;
            uint64_t inside = quotes; // parity of the quotes up to and including each byte
            inside ^= inside << 1;
            inside ^= inside << 2;
            inside ^= inside << 4;
            inside ^= inside << 8;
            inside ^= inside << 16;
            inside ^= inside << 32;
            if (st == kSkipDouble) inside = ~inside;
            const uint64_t openers = quotes & inside, closers = quotes & ~inside;
            const uint64_t outsideBrackets = brackets & ~inside & live;
            const uint64_t separators = (bm.delim | brackets) & ~inside & live;
            // Bytes after a closed quoted token up to its delimiter (the kClosed state): each run
            // starts after a closer (or at the block's first byte in kClosed) and ends at the next
            // separator; a carry through the run marks it.
            const uint64_t fill = ~separators;
            const uint64_t runStarts = (closers << 1) | (st == kSkipClosed ? (live & (~live + 1)) : 0);
            const uint64_t sum = (runStarts & fill) + fill;
            const uint64_t closedRun = (sum ^ fill) & fill;
            // Separators met in kClosed: those ending a run, and those right at a run's start.
            const uint64_t runEnds = ((sum ^ fill) | runStarts) & ~fill;
            if ((openers & closedRun) == 0 && (bm.squote & ~inside & live) == 0 && (runEnds & bm.open & live) == 0) {
                eventLoop = false;
                uint64_t b = outsideBrackets;
                while (b != 0) {
                    const int i = __builtin_ctzll(b);
                    const uint64_t bit = uint64_t(1) << i;
                    b &= b - 1;
                    if (bit & bm.open) {
                        stack[level++] = kSkipNormal;
                        continue;
                    }
                    if (level == 1) {
                        s.state = kSkipNormal;
                        s.level = level;
                        return base + i;
                    }
                    const uint8_t restored = stack[--level];
                    if (restored != kSkipNormal) { // a level left in kClosed: back to the rules
                        st = restored;
                        from = ~((bit << 1) - 1);
                        eventLoop = true;
                        break;
                    }
                }
                if (!eventLoop)
                    st = (inside >> 63) ? kSkipDouble : ((closedRun | closers) >> 63) ? kSkipClosed : kSkipNormal;
            }
        }
        if (!eventLoop) continue;

        for (;;) {
            uint64_t m;
            switch (st) {
            case kSkipNormal: m = normal & from; break;
            case kSkipDouble: m = inDouble & from; break;
            case kSkipSingle: m = inSingle & from; break;
            default: m = closed & from; break;
            }
            if (m == 0) break;
            const int i = __builtin_ctzll(m);
            const uint64_t bit = uint64_t(1) << i;
            from = ~((bit << 1) - 1);
            if (bit & bm.dquote) {
                st = st == kSkipNormal ? kSkipDouble : kSkipClosed;
            } else if (bit & brackets) {
                if (bit & bm.open) {
                    stack[level++] = st;
                    st = kSkipNormal;
                } else {
                    if (level == 1) {
                        s.state = st;
                        s.level = level;
                        return base + i;
                    }
                    st = stack[--level];
                }
            } else if (bit & bm.delim) {
                st = kSkipNormal;
            } else if (bit & bm.squote) {
                st = st == kSkipNormal ? kSkipSingle : kSkipClosed;
            } else { // a backslash: the next byte(s) are skipped whatever they are
                const int64_t after = base + i + 1 + s.backslashSkip;
                if (after >= base + 64 || after > end) {
                    pos = after;
                    break;
                }
                from = ~((uint64_t(1) << (after - base)) - 1);
            }
        }
    }
    s.state = st;
    s.level = level;
    next = pos;
    return -1;
}
