#include "cli/SecretMasker.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsWordChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '$' || u >= 0x80;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool KeywordAt(const std::string& s, size_t p, const char* keyword)
{
    size_t n = 0;
    for (; keyword[n]; ++n) {
        if (p + n >= s.size()) return false;
        if (std::toupper(static_cast<unsigned char>(s[p + n])) != keyword[n]) return false;
    }
    if (p > 0 && IsWordChar(s[p - 1])) return false;
    return p + n >= s.size() || !IsWordChar(s[p + n]);
}

}  // namespace

void TSecretMasker::AddSecret(const std::string& secret)
{
    if (secret.size() < kMinScrubLength) return;
    if (std::find(FSecrets.begin(), FSecrets.end(), secret) != FSecrets.end()) return;
    FSecrets.push_back(secret);
    // Longest first, so that a secret containing another is blotted out whole.
    std::sort(FSecrets.begin(), FSecrets.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

std::vector<std::string> TSecretMasker::MaskStatement(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    out.reserve(lines.size());
    char quote = 0;              // the quote of the string we are in, or 0
    bool awaitingValue = false;  // PASSWORD seen, its value not yet
    for (const std::string& line : lines) {
        std::string masked;
        masked.reserve(line.size());
        size_t p = 0;
        while (p < line.size()) {
            const char c = line[p];
            if (quote) {
                masked += c;
                if (c == quote) quote = 0;
                ++p;
                continue;
            }
            if (awaitingValue && !IsBlank(c)) {
                awaitingValue = false;
                std::string value;
                size_t q = p;
                if (c == '\'' || c == '"') {
                    // A doubled quote stays inside the string.
                    ++q;
                    while (q < line.size()) {
                        if (line[q] == c) {
                            if (q + 1 < line.size() && line[q + 1] == c) {
                                value += c;
                                q += 2;
                                continue;
                            }
                            ++q;
                            break;
                        }
                        value += line[q++];
                    }
                } else {
                    while (q < line.size() && !IsBlank(line[q]) && line[q] != ';' && line[q] != ',' &&
                           line[q] != ')')
                        value += line[q++];
                }
                AddSecret(value);
                masked += "***";
                p = q;
                continue;
            }
            if (c == '\'' || c == '"') {
                quote = c;
                masked += c;
                ++p;
                continue;
            }
            if ((c == 'P' || c == 'p') && KeywordAt(line, p, "PASSWORD")) {
                masked.append(line, p, 8);
                p += 8;
                awaitingValue = true;
                continue;
            }
            masked += c;
            ++p;
        }
        out.push_back(Scrub(masked));
    }
    return out;
}

std::string TSecretMasker::Scrub(const std::string& text) const
{
    std::string result = text;
    for (const std::string& secret : FSecrets) {
        size_t pos = 0;
        while ((pos = result.find(secret, pos)) != std::string::npos) {
            result.replace(pos, secret.size(), "***");
            pos += 3;
        }
    }
    return result;
}
