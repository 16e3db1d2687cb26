// A stand-in for the system's findstr, for tests under Wine (whose findstr prints nothing). It follows the
// real tool's rules for what the partition probe uses:
//   findstr [/R] [/L] [/I] [/V] [/B] [/E] [/X] [/N] [/C:string]... ["strings"] [files]
// - Without /C: the search text is split at blanks into alternatives ("a b" finds lines holding a OR b).
// - /C:string searches the whole string, blanks included, as one phrase.
// - Strings are regular expressions with /R, literal with /L; without either, /C: strings are literal and
//   blank-separated strings are regular expressions.
// - Regular expressions: . any character, * any number of the item before, ^ line start, $ line end,
//   [class] [^class] with ranges x-y, \ before a character takes it literally.
// Lines are compared as bytes (GBK passes unchanged); each matching line is written with CR LF. Exit code 0
// when a line matched, 1 otherwise.
#include <fcntl.h>
#include <io.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
bool g_ignore_case = false;

bool same(unsigned char a, unsigned char b) {
    return g_ignore_case ? std::tolower(a) == std::tolower(b) : a == b;
}

// Matches one item of the pattern at p against the character c; *len gets the item's length in the pattern.
bool item_matches(const char* p, unsigned char c, size_t* len) {
    if (*p == '.') {
        *len = 1;
        return true;
    }
    if (*p == '\\' && p[1]) {
        *len = 2;
        return same(static_cast<unsigned char>(p[1]), c);
    }
    if (*p == '[') {
        const char* q = p + 1;
        bool negate = *q == '^';
        if (negate) ++q;
        bool hit = false;
        while (*q && *q != ']') {
            unsigned char lo = static_cast<unsigned char>(*q), hi = lo;
            if (q[1] == '-' && q[2] && q[2] != ']') {
                hi = static_cast<unsigned char>(q[2]);
                q += 3;
            } else {
                ++q;
            }
            unsigned char x = g_ignore_case ? static_cast<unsigned char>(std::tolower(c)) : c;
            if ((c >= lo && c <= hi) || (x >= lo && x <= hi)) hit = true;
        }
        *len = static_cast<size_t>((*q ? q + 1 : q) - p);
        return hit != negate;
    }
    *len = 1;
    return same(static_cast<unsigned char>(*p), c);
}

// Does the pattern match the line starting exactly at s (s_end = end of line)?
bool match_here(const char* p, const char* s, const char* s_end) {
    for (;;) {
        if (!*p) return true;
        if (*p == '$' && !p[1]) return s == s_end;
        size_t len = 0;
        unsigned char probe = s < s_end ? static_cast<unsigned char>(*s) : 0;
        bool one = s < s_end && item_matches(p, probe, &len);
        if (len == 0) item_matches(p, 0, &len);
        if (p[len] == '*') {
            // Zero or more of the item, longest first.
            const char* t = s;
            size_t l2;
            while (t < s_end && item_matches(p, static_cast<unsigned char>(*t), &l2)) ++t;
            for (;; --t) {
                if (match_here(p + len + 1, t, s_end)) return true;
                if (t == s) return false;
            }
        }
        if (!one) return false;
        p += len;
        ++s;
    }
}

bool regex_matches(const std::string& pattern, const std::string& line, bool begin, bool end) {
    std::string p = pattern;
    if (end && (p.empty() || p.back() != '$')) p += '$';
    bool anchored = begin || (!p.empty() && p[0] == '^');
    const char* pat = !p.empty() && p[0] == '^' ? p.c_str() + 1 : p.c_str();
    const char* s = line.c_str();
    const char* s_end = s + line.size();
    for (const char* start = s; start <= s_end; ++start) {
        if (match_here(pat, start, s_end)) return true;
        if (anchored) break;
    }
    return false;
}

bool literal_matches(const std::string& needle, const std::string& line, bool begin, bool end) {
    if (needle.size() > line.size()) return false;
    for (size_t i = 0; i + needle.size() <= line.size(); ++i) {
        if (begin && i > 0) break;
        if (end && i + needle.size() != line.size()) continue;
        bool ok = true;
        for (size_t k = 0; k < needle.size() && ok; ++k)
            ok = same(static_cast<unsigned char>(line[i + k]), static_cast<unsigned char>(needle[k]));
        if (ok) return true;
    }
    return false;
}

struct Search {
    std::string text;
    bool regex;
};
}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    bool force_regex = false, force_literal = false, invert = false, begin = false, end = false, number = false;
    std::vector<std::string> phrases;  // from /C:
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (a[0] == '/' && a[1]) {
            if ((a[1] == 'C' || a[1] == 'c') && a[2] == ':') {
                phrases.push_back(a + 3);
                continue;
            }
            for (const char* o = a + 1; *o; ++o) {
                switch (std::toupper(static_cast<unsigned char>(*o))) {
                    case 'R': force_regex = true; break;
                    case 'L': force_literal = true; break;
                    case 'I': g_ignore_case = true; break;
                    case 'V': invert = true; break;
                    case 'B': begin = true; break;
                    case 'E': end = true; break;
                    case 'X': begin = end = true; break;
                    case 'N': number = true; break;
                    default: break;
                }
            }
            continue;
        }
        rest.push_back(a);
    }
    std::vector<Search> searches;
    for (const std::string& p : phrases) searches.push_back({p, force_regex});
    size_t first_file = 0;
    if (phrases.empty() && !rest.empty()) {
        const std::string& words = rest[0];
        size_t i = 0;
        while (i < words.size()) {
            size_t j = words.find(' ', i);
            if (j == std::string::npos) j = words.size();
            if (j > i) searches.push_back({words.substr(i, j - i), !force_literal});
            i = j + 1;
        }
        first_file = 1;
    }
    if (searches.empty()) {
        std::fprintf(stderr, "FINDSTR: bad command line\r\n");
        return 2;
    }

    std::vector<FILE*> inputs;
    for (size_t i = first_file; i < rest.size(); ++i)
        if (FILE* f = std::fopen(rest[i].c_str(), "rb")) inputs.push_back(f);
    if (first_file >= rest.size()) {
        _setmode(_fileno(stdin), _O_BINARY);
        inputs.push_back(stdin);
    }

    bool any = false;
    for (FILE* in : inputs) {
        std::string line;
        int n = 0;
        int c;
        bool more = true;
        while (more) {
            line.clear();
            while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
            more = c != EOF;
            if (!more && line.empty()) break;
            ++n;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            bool hit = false;
            for (const Search& s : searches)
                if (s.regex ? regex_matches(s.text, line, begin, end) : literal_matches(s.text, line, begin, end))
                    hit = true;
            if (hit != invert) {
                any = true;
                if (number) std::printf("%d:", n);
                std::fwrite(line.data(), 1, line.size(), stdout);
                std::fwrite("\r\n", 1, 2, stdout);
            }
        }
        if (in != stdin) std::fclose(in);
    }
    return any ? 0 : 1;
}
