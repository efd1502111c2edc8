#include "Output.h"

#include <ostream>

#include "StatusText.h"

namespace kelmcli {
namespace {

std::string Prefix(const std::string& command) { return command.empty() ? "kelm: " : "kelm " + command + ": "; }

std::string Sentence(std::string text) {
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

std::string Capitalized(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

}  // namespace

std::string FailureLine(const std::string& command, HRESULT status, const std::string& what,
                        const std::string& hint) {
    return Prefix(command) + what + ": failed with " + DescribeStatus(status) + ". " +
           Capitalized(Sentence(hint.empty() ? HintFor(status) : hint));
}

void Output::Result(const nlohmann::ordered_json& document, const std::string& human) {
    if (m_json) {
        m_out << document.dump(2) << '\n';
    } else if (!human.empty()) {
        m_out << human << '\n';
    }
}

void Output::Result(const nlohmann::ordered_json& document, const std::vector<std::string>& lines) {
    if (m_json) {
        m_out << document.dump(2) << '\n';
        return;
    }
    for (const auto& line : lines) m_out << line << '\n';
}

void Output::Note(const std::string& text) {
    if (!m_quiet && !m_json) m_err << Prefix(m_command) << text << '\n';
}

void Output::Warning(const std::string& text) {
    if (!m_quiet) m_err << Prefix(m_command) << "warning: " << text << '\n';
}

int Output::Failure(HRESULT status, const std::string& what, const std::string& hint) {
    const std::string description = m_describer ? m_describer(status) : std::string();
    std::string line = FailureLine(m_command, status, what, hint);
    if (!description.empty()) line.insert(line.find(". ", line.rfind(": failed with ")) + 2, description + " ");
    m_err << line << '\n';
    if (m_json) {
        nlohmann::ordered_json error = {{"ok", false},
                                        {"command", m_command},
                                        {"status", HexStatus(status)},
                                        {"name", StatusNameOf(status)},
                                        {"message", what},
                                        {"description", description},
                                        {"hint", hint.empty() ? HintFor(status) : hint}};
        m_out << error.dump(2) << '\n';
    }
    return kExitFailure;
}

int Output::Negative(const nlohmann::ordered_json& document, const std::string& message) {
    if (m_json) m_out << document.dump(2) << '\n';
    if (!m_quiet) m_err << Prefix(m_command) << Sentence(message) << '\n';
    return kExitNegative;
}

int Output::Usage(const std::string& message) {
    m_err << Prefix(m_command) << Sentence(message) << " See 'kelm " << (m_command.empty() ? "" : m_command + " ")
          << "--help'.\n";
    return kExitUsage;
}

}  // namespace kelmcli
