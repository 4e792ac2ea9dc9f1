#include "cli/cli_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "text/encoding.h"

namespace quelix_cli {

namespace {

bool readAllFromFd(int fd, std::string& out) {
    char buf[65536];
    for (;;) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) return true;
        out.append(buf, size_t(r));
    }
}

// The file a path leads to (through symbolic links, as the atomic write replaces the target).
bool stampOf(const std::string& path, FileStamp& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    out.device = uint64_t(st.st_dev);
    out.inode = uint64_t(st.st_ino);
    out.size = int64_t(st.st_size);
    out.modifiedSec = int64_t(st.st_mtim.tv_sec);
    out.modifiedNsec = int64_t(st.st_mtim.tv_nsec);
    return true;
}

// Whether the bytes begin with the byte-order mark of the encoding they were detected as.
bool startsWithMark(std::string_view bytes, CWStringView encoding) {
    const std::string_view mark = rg_Tolvar_MingLingJi::byteOrderMark(encoding);
    return !mark.empty() && bytes.substr(0, mark.size()) == mark;
}

} // namespace

bool readInputBytes(const std::string& pathOrDash, std::string& out, std::string& error) {
    out.clear();
    if (pathOrDash == "-") {
        if (!readAllFromFd(STDIN_FILENO, out)) {
            error = std::string("cannot read standard input: ") + std::strerror(errno);
            return false;
        }
        return true;
    }
    CKorMem bytes;
    int64_t n = rg_Tolvar_MingLingJi::readFileBytes(rg_Tolvar_MingLingJi::utf8ToUtf16(pathOrDash), bytes);
    if (n < 0) {
        error = "cannot read '" + pathOrDash + "'";
        return false;
    }
    out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
}

bool readInputText(const std::string& pathOrDash, CWString& out, std::string& error, InputInfo* info) {
    out.clear();
    FileStamp stamp;
    if (info && pathOrDash != "-") (void)stampOf(pathOrDash, stamp);
    std::string bytes;
    if (!readInputBytes(pathOrDash, bytes, error)) return false;
    CWString name;
    CKorMem units = rg_Tolvar_MingLingJi::decodeTextBytes(bytes, {}, name);
    out = rg_Tolvar_MingLingJi::textFromUtf16Bytes(rg_Tolvar_MingLingJi::bytesOf(units));
    size_t z = out.find(u'\0');
    if (z != CWString::npos) out.resize(z);
    if (info) {
        info->encoding = name;
        info->hadMark = startsWithMark(bytes, name);
        info->cutAtNul = z != CWString::npos;
        info->stamp = stamp;
    }
    return true;
}

bool writeFileInPlace(const std::string& path, std::string_view bytes, const InputInfo& info,
                      std::string& error) {
    FileStamp now;
    if (!stampOf(path, now) || info.stamp.size < 0 || !(now == info.stamp)) {
        error = "'" + path + "' changed while it was being edited";
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 ||
        ::access(path.c_str(), W_OK) != 0) {
        error = "'" + path + "' is read-only";
        return false;
    }
    if (!rg_Tolvar_MingLingJi::writeFileBytes(rg_Tolvar_MingLingJi::utf8ToUtf16(path), bytes)) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

bool writeOutputBytes(std::string_view bytes) {
    const char* p = bytes.data();
    size_t n = bytes.size();
    while (n > 0) {
        ssize_t w = ::write(STDOUT_FILENO, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

bool writeOutput(CWStringView text) {
    std::fflush(stdout); // keep anything printed through stdio in order
    return writeOutputBytes(rg_Tolvar_MingLingJi::utf16ToUtf8(text));
}

bool ParsedArgs::has(std::string_view name) const {
    for (const auto& o : options)
        if (o.first == name) return true;
    return false;
}

std::string ParsedArgs::value(std::string_view name, std::string fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name) return it->second;
    return fallback;
}

bool parseOptions(const Args& args, const std::vector<OptionDef>& defs, ParsedArgs& out, std::string& error) {
    out = ParsedArgs{};
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        if (a.size() < 2 || a[0] != '-') break; // the first positional ("-" included)
        if (a[1] != '-') {
            error = "unknown option '" + a + "'";
            return false;
        }
        std::string name = a.substr(2);
        std::string value;
        bool inlineValue = false;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inlineValue = true;
        }
        const OptionDef* def = nullptr;
        for (const OptionDef& s : defs)
            if (s.name == name) def = &s;
        if (def == nullptr) {
            error = "unknown option '--" + name + "'";
            return false;
        }
        if (def->takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                error = "option '--" + name + "' needs a value";
                return false;
            }
            value = args[++i];
        } else if (!def->takesValue && inlineValue) {
            error = "option '--" + name + "' takes no value";
            return false;
        }
        out.options.emplace_back(name, value);
    }
    for (; i < args.size(); ++i)
        out.positionals.push_back(args[i]);
    return true;
}

int usageError(std::string_view command, std::string_view message, std::string_view usage) {
    std::fprintf(stderr, "quelix-cli %.*s: %.*s\n%.*s", int(command.size()), command.data(),
                 int(message.size()), message.data(), int(usage.size()), usage.data());
    return 2;
}

int printHelp(std::string_view usage) {
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    std::fflush(stdout);
    return 0;
}

void appendField(CWString& out, CWStringView text) {
    for (char16_t c : text) {
        switch (c) {
        case u'\\':
            out.append(u"\\\\");
            break;
        case u'\t':
            out.append(u"\\t");
            break;
        case u'\n':
            out.append(u"\\n");
            break;
        case u'\r':
            out.append(u"\\r");
            break;
        case u'\0':
            out.append(u"\\0");
            break;
        default:
            out.push_back(c);
        }
    }
}

void appendNumber(CWString& out, int32_t value) {
    const std::string s = std::to_string(value);
    out.append(s.begin(), s.end());
}

} // namespace quelix_cli
