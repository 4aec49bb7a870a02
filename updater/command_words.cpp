// The command line's words: quoted options unwrapped, words that are no option collected.
#include "updater/command_words.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "runtime/options.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

constexpr uint16_t kOptionCount = kOptDelay;

bool IsOptionName(std::string_view name) {
    for (uint16_t n = 1; n <= kOptionCount; ++n) {
        PoolScope scope;
        const StrRef forms = OptionName(n);
        for (uint16_t k = 1; k <= FieldCount(forms, ';'); ++k) {
            const StrRef form = Field(forms, ';', k);
            if (form.len == name.size() && CompareFold(form, StrMake(name.data(), form.len), true) == 0) return true;
        }
    }
    return false;
}

enum class WordKind { Option, Switch, Other };

WordKind KindOf(std::string_view word) {
    if (!word.empty() && (word[0] == '/' || word[0] == '-')) word.remove_prefix(1);
    size_t n = 0;
    while (n < word.size() && (std::isalpha(static_cast<unsigned char>(word[n])) || word[n] == '?')) ++n;
    if (n == 0) return WordKind::Other;
    if (n == word.size()) {
        for (const char* known : {kConfirmSwitch, kRelaunchedSwitch}) {
            if (n == std::strlen(known) && CompareFold(StrMake(word.data(), static_cast<uint16_t>(n)), StrFromLiteral(known), true) == 0)
                return WordKind::Switch;
        }
        return WordKind::Other;
    }
    if ((word[n] == ':' || word[n] == '=') && IsOptionName(word.substr(0, n))) return WordKind::Option;
    return WordKind::Other;
}

}  // namespace

ErrCode TidyCommandWords(std::vector<std::string>* stray) {
    const StrRef stored = RunParam(kParamCommandLine);
    if (!stored.ok()) return StrError(stored);
    const std::string line(stored.ptr, stored.len);
    std::string tidy;
    bool changed = false;
    // Words end at a blank outside quotes; the first is the program.
    for (size_t i = 0, index = 0; i < line.size(); ++index) {
        const size_t blanks = i;
        while (i < line.size() && line[i] == ' ') ++i;
        const size_t start = i;
        for (char quote = 0; i < line.size() && (quote || line[i] != ' '); ++i) {
            if (quote) {
                if (line[i] == quote) quote = 0;
            } else if (line[i] == '"' || line[i] == '\'') {
                quote = line[i];
            }
        }
        std::string_view word(line.data() + start, i - start);
        tidy.append(line, blanks, start - blanks);
        if (index > 0 && !word.empty()) {
            const bool wrapped = word.size() > 2 && word.front() == '"' && word.back() == '"';
            if (wrapped && KindOf(word.substr(1, word.size() - 2)) == WordKind::Option) {
                word = word.substr(1, word.size() - 2);
                changed = true;
            } else if (KindOf(word) == WordKind::Other) {
                stray->emplace_back(word);
            }
        }
        tidy.append(word);
    }
    if (!changed) return 0;
    return SetRunParam(kParamCommandLine, StrMake(tidy.data(), static_cast<uint16_t>(tidy.size())));
}

}  // namespace rt
