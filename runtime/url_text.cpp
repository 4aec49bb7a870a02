// An address's "%XX" escapes, and hiding its passwords: the authority's "user:password@" and the
// "passw" parameters.
#include "runtime/url_text.h"

#include "runtime/number_text.h"

namespace rt {
namespace {

constexpr std::string_view kMask = "***";
constexpr std::string_view kWordEnds = " \t\r\n\"'";
constexpr size_t kNone = std::string_view::npos;

// Whether a pair's name, decoded, is "passw" in any case.
bool IsPasswordName(std::string_view name) {
    std::string decoded = UrlDecode(name);
    for (char& c : decoded) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return decoded == "passw";
}

// The length of the name of a pair "name=..." starting at pos; 0 when none does.
size_t PairName(std::string_view text, size_t pos) {
    const size_t end = text.find_first_of("=&?#/ \t\r\n\"'", pos);
    return end != kNone && text[end] == '=' ? end - pos : 0;
}

// text with the password of every "scheme://user:password@" masked. The authority runs to the first
// '/' or the word's end and its user part to the last '@' in it, so that a password holding '@'
// or '?' is masked whole.
std::string AuthorityHidden(std::string_view text) {
    std::string out;
    size_t done = 0;
    for (size_t at = text.find("://"); at != kNone; at = text.find("://", at + 3)) {
        const std::string_view authority = text.substr(at + 3, text.find_first_of("/ \t\r\n\"'", at + 3) - at - 3);
        const size_t user = authority.find(':'), end = authority.rfind('@');
        if (end == kNone || user > end) continue;
        out.append(text.substr(done, at + 4 + user - done)).append(kMask);
        done = at + 3 + end;
    }
    return out.append(text.substr(done));
}

}  // namespace

std::string UrlDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string CredentialsHidden(std::string_view address) {
    const std::string text = AuthorityHidden(address);
    std::string out;
    size_t done = 0;
    for (size_t pos = 0; pos < text.size(); ++pos) {
        const bool starts = pos == 0 || text[pos - 1] == '?' || text[pos - 1] == '&' || kWordEnds.find(text[pos - 1]) != kNone;
        const size_t name = starts ? PairName(text, pos) : 0;
        if (name == 0 || !IsPasswordName(std::string_view(text).substr(pos, name))) continue;
        out.append(text, done, pos + name + 1 - done).append(kMask);
        // The value runs to the next '&' that starts another pair: a password holding '&' is masked whole.
        for (done = pos + name + 1; done < text.size() && text[done] != '#' && kWordEnds.find(text[done]) == kNone &&
                                    !(text[done] == '&' && PairName(text, done + 1));)
            ++done;
        pos = done - 1;
    }
    return out.append(text, done);
}

}  // namespace rt
