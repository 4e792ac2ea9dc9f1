// Body of the skip loop, included by stream_skip_avx512.cpp, stream_skip_avx2.cpp and
// stream_skip_sse2.cpp inside namespace rg_Tolvar_JSON::detail, each of which first defines
// QUELIX_SKIP_FUNCTION (the function's name), QUELIX_SKIP_ATTRIBUTES (its target attribute),
// QUELIX_SKIP_CLASSIFY(p, m) (fills a StreamBlockMasks from 64 bytes) and
// QUELIX_SKIP_PREFIX_XOR(x) (bit i of the result = XOR of bits 0..i of x), and may define
// QUELIX_SKIP_SETUP (declarations the classifier needs, made once per call). Kept in one place so
// every version stays identical.
//
// The state machine (one quote state per nesting level, see SkipQuoteState):
//   any state  '\'        skips the next backslashSkip bytes, whatever they are
//   kNormal    '"' / '\'' -> kDouble / kSingle
//   kDouble    '"'        -> kClosed        (kSingle likewise with '\'')
//   kClosed    ',' ':'    -> kNormal        (quote bytes are plain bytes here)
//   kNormal, kClosed: an opening bracket enters a new level in kNormal and remembers the state it
//   left; a closing bracket returns to the remembered state, or ends the skip at level 1.
//
// Per 64-byte block, in three stages:
// 1. A block that starts in kSingle and holds no backslash or single quote is passed at once; one
//    that starts in kNormal and holds no quote or backslash (numbers) only nests, see 2c.
// 2. Bit-parallel, for blocks that do not start in kSingle: the bytes taken by backslashes, the
//    double-quoted regions from the parity of the live quotes, the kClosed runs after each quoted
//    token. When the block behaves the way well-formed JSON does (no quote byte in a kClosed run,
//    no single quote outside double quotes, no bracket opened in kClosed), the nesting change is
//    the popcount of opening minus closing brackets outside strings. That holds the block whole
//    unless its closing brackets could reach level 1 or a level opened in kClosed; then the
//    brackets are walked one by one, and the walk goes on in stage 3 from a restored kClosed.
// 3. Otherwise the rules run event by event over the block's reacting bytes.

QUELIX_SKIP_ATTRIBUTES int64_t QUELIX_SKIP_FUNCTION(const uint8_t* data, int64_t& next, int64_t end,
                                                    SkipState& s) {
    std::vector<size_t>& closedLevels = *s.closedLevels;
    // The lowest level the counting of stage 2c may reach: above the last level opened in kClosed.
    size_t floor = closedLevels.empty() ? 1 : closedLevels.back() + 1;
    const int64_t skipBytes = s.backslashSkip;
    uint8_t st = s.state;
    size_t level = s.level;
    int64_t pos = next;
#ifdef QUELIX_SKIP_SETUP
    QUELIX_SKIP_SETUP
#endif
    while (pos < end) {
        const int64_t base = pos & ~int64_t(63);
        const int64_t blockEnd = base + 64 < end ? base + 64 : end;
        StreamBlockMasks bm;
        QUELIX_SKIP_CLASSIFY(data + base, bm);
        const uint64_t brackets = bm.open | bm.close;
        const uint64_t inDouble = bm.backslash | bm.dquote, inSingle = bm.backslash | bm.squote;
        const uint64_t normal = bm.backslash | brackets | bm.dquote | bm.squote;
        const uint64_t closed = bm.backslash | brackets | bm.delim;
        uint64_t from = ~uint64_t(0) << (pos - base); // bytes of the block still to examine
        pos = blockEnd;
        // Stage 1 (blocks starting elsewhere go through stage 2 without a test: on mixed data the
        // test's branch is hard to predict and costs more than it saves).
        if (__builtin_expect(st == kSkipSingle, 0) && (inSingle & from) == 0) continue;

        // Stage 1b: a block in kNormal without quotes or backslashes (runs of numbers) only
        // nests: its brackets are counted as in stage 2c.
        if (st == kSkipNormal && ((bm.dquote | bm.squote | bm.backslash) & from) == 0) {
            const uint64_t closes = bm.close & from;
            const size_t closeCount = static_cast<size_t>(__builtin_popcountll(closes));
            if (level >= floor + closeCount) {
                level = level + static_cast<size_t>(__builtin_popcountll(bm.open & from)) - closeCount;
                continue;
            }
        }

        bool eventLoop = true;
        if (__builtin_expect(st != kSkipSingle, 1)) {
            // Stage 2a: backslashes. Which backslash is live (not itself skipped) depends only on
            // the backslashes before it, never on the quote state, so the whole block is settled
            // at once. `escaped`: the bytes that live backslashes skip.
            const uint64_t backslashes = bm.backslash & from;
            uint64_t liveBackslashes = 0, escaped = 0;
            if (backslashes != 0) {
                if (skipBytes == 1) {
                    // In each run of backslashes every other one, from the run's first, is live.
                    // Adding a run's start bit carries through the run and clears it, so the sum
                    // with the even-placed starts clears exactly the runs that start at even offsets.
                    constexpr uint64_t kEven = 0x5555555555555555ULL, kOdd = ~kEven;
                    const uint64_t runStarts = backslashes & ~(backslashes << 1);
                    const uint64_t evenRuns = backslashes & ~(backslashes + (runStarts & kEven));
                    liveBackslashes = (evenRuns & kEven) | (backslashes & ~evenRuns & kOdd);
                    escaped = liveBackslashes << 1;
                } else if ((backslashes & ((backslashes << 1) | (backslashes << 2))) == 0) {
                    // Two bytes skipped (UTF-16), no backslash within the reach of another: all live.
                    liveBackslashes = backslashes;
                    escaped = (backslashes << 1) | (backslashes << 2);
                } else {
                    // One at a time: a backslash among the skipped bytes skips nothing.
                    for (uint64_t b = backslashes; b != 0; b &= b - 1) {
                        const int i = __builtin_ctzll(b);
                        if ((escaped >> i) & 1) continue;
                        liveBackslashes |= uint64_t(1) << i;
                        escaped |= (uint64_t(3) << i) << 1;
                    }
                }
            }
            const uint64_t live = from & ~escaped; // the bytes the rules examine

            // Stage 2b: quotes. `inside`: the bytes after an opening double quote up to its
            // closing one (the opening quote included); its top bit carries to the next block as
            // the state kDouble.
            const uint64_t quotes = bm.dquote & live;
            uint64_t inside = QUELIX_SKIP_PREFIX_XOR(quotes);
            if (st == kSkipDouble) inside = ~inside;
            const uint64_t outside = live & ~inside;
            const uint64_t openers = quotes & inside, closers = quotes & ~inside;
            // kClosed runs: from the byte after each closing quote (or the block's first byte when
            // it starts in kClosed) up to the next separator outside strings; adding the run's start
            // bit to the mask of non-separators carries through the run and stops at its separator.
            const uint64_t separators = (bm.delim | brackets) & outside;
            const uint64_t fill = ~separators;
            const uint64_t runStarts = (closers << 1) | (st == kSkipClosed ? (from & (~from + 1)) : 0);
            const uint64_t carried = ((runStarts & fill) + fill) ^ fill;
            const uint64_t closedRun = carried & fill;
            const uint64_t runEnds = (carried | runStarts) & ~fill; // the separators that end a run
            const uint64_t irregular = (openers & closedRun) | (bm.squote & outside) | (runEnds & bm.open);
            if (__builtin_expect(irregular == 0, 1)) {
                // Stage 2c: nesting.
                const uint64_t opens = bm.open & outside, closes = bm.close & outside;
                const size_t closeCount = static_cast<size_t>(__builtin_popcountll(closes));
                eventLoop = false;
                if (__builtin_expect(level >= floor + closeCount, 1)) {
                    // Even if every closing bracket came first, none reaches level 1 or a level
                    // opened in kClosed.
                    level = level + static_cast<size_t>(__builtin_popcountll(opens)) - closeCount;
                } else {
                    for (uint64_t b = opens | closes; b != 0; b &= b - 1) {
                        const int i = __builtin_ctzll(b);
                        const uint64_t bit = uint64_t(1) << i;
                        if (bit & opens) {
                            ++level;
                            continue;
                        }
                        if (level == 1) {
                            s.state = kSkipNormal;
                            s.level = level;
                            s.endMasks = bm;
                            s.endBlock = base;
                            return base + i;
                        }
                        --level;
                        if (!closedLevels.empty() && closedLevels.back() == level) {
                            closedLevels.pop_back(); // back in kClosed: on by the rules
                            floor = closedLevels.empty() ? 1 : closedLevels.back() + 1;
                            st = kSkipClosed;
                            from = ~((bit << 1) - 1);
                            eventLoop = true;
                            break;
                        }
                    }
                }
                if (!eventLoop) {
                    st = (inside >> 63)                  ? kSkipDouble
                         : ((closedRun | closers) >> 63) ? kSkipClosed
                                                         : kSkipNormal;
                    if (liveBackslashes != 0) { // the last backslash may skip past the block
                        const int64_t after = base + (63 - __builtin_clzll(liveBackslashes)) + 1 + skipBytes;
                        if (after > pos) pos = after;
                    }
                }
            }
        }
        if (!eventLoop) continue;

        // Stage 3.
        for (;;) {
            uint64_t m;
            switch (st) {
            case kSkipNormal:
                m = normal & from;
                break;
            case kSkipDouble:
                m = inDouble & from;
                break;
            case kSkipSingle:
                m = inSingle & from;
                break;
            default:
                m = closed & from;
                break;
            }
            if (m == 0) break;
            const int i = __builtin_ctzll(m);
            const uint64_t bit = uint64_t(1) << i;
            from = ~((bit << 1) - 1);
            if (bit & bm.dquote) {
                st = st == kSkipNormal ? kSkipDouble : kSkipClosed;
            } else if (bit & brackets) {
                if (bit & bm.open) {
                    if (st == kSkipClosed) {
                        closedLevels.push_back(level);
                        floor = level + 1;
                    }
                    ++level;
                    st = kSkipNormal;
                } else {
                    if (level == 1) {
                        s.state = st;
                        s.level = level;
                        s.endMasks = bm;
                        s.endBlock = base;
                        return base + i;
                    }
                    --level;
                    st = kSkipNormal;
                    if (!closedLevels.empty() && closedLevels.back() == level) {
                        closedLevels.pop_back();
                        floor = closedLevels.empty() ? 1 : closedLevels.back() + 1;
                        st = kSkipClosed;
                    }
                }
            } else if (bit & bm.delim) {
                st = kSkipNormal;
            } else if (bit & bm.squote) {
                st = st == kSkipNormal ? kSkipSingle : kSkipClosed;
            } else { // a backslash: the next byte(s) are skipped whatever they are
                const int64_t after = base + i + 1 + skipBytes;
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
