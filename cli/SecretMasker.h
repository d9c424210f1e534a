#pragma once
// Keeps passwords out of everything fbscript prints: the value of a PASSWORD
// clause in statement text is shown as ***, and every known secret (the
// command line's password, the clause values seen so far) is blotted out of
// messages, the database's included.

#include <string>
#include <vector>

class TSecretMasker {
public:
    // Secrets shorter than this are not blotted out of free text: a one- or
    // two-letter password would mangle every message it happens to occur in.
    static constexpr size_t kMinScrubLength = 3;

    void AddSecret(const std::string& secret);
    // The statement's lines with each PASSWORD clause's value replaced by ***
    // (outside quoted strings; the value may follow on a later line). The
    // values found are remembered as secrets.
    std::vector<std::string> MaskStatement(const std::vector<std::string>& lines);
    // `text` with every known secret replaced by ***.
    std::string Scrub(const std::string& text) const;

private:
    std::vector<std::string> FSecrets;
};
