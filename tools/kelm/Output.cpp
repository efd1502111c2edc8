#include "Output.h"

#include <ostream>

#include "StatusText.h"

namespace kelmcli {
namespace {

std::string Prefix(const std::string& command) { return command.empty() ? "kelm: " : "kelm " + command + ": "; }

std::string Sentence(std::string text) {
    if (!text.empty() && text.back() != '.' && text.back() != '?') text += '.';
    return text;
}

std::string Capitalized(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

std::string FailureText(HRESULT status, const std::string& what, const std::string& hint) {
    return what + ": failed with " + DescribeStatus(status) + ". " +
           Capitalized(Sentence(hint.empty() ? HintFor(status) : hint));
}

}  // namespace

std::string FailureLine(const std::string& command, HRESULT status, const std::string& what,
                        const std::string& hint) {
    return Prefix(command) + FailureText(status, what, hint);
}

void Output::Result(const nlohmann::ordered_json& data, const std::string& human) {
    m_data = data;
    if (!m_json && !human.empty()) m_out << human << '\n';
}

void Output::Result(const nlohmann::ordered_json& data, const std::vector<std::string>& lines) {
    m_data = data;
    if (m_json) return;
    for (const auto& line : lines) m_out << line << '\n';
}

void Output::Note(const std::string& text) {
    if (m_message.empty()) m_message = text;
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
    m_status = status;
    m_statusSet = true;
    m_message = line.substr(Prefix(m_command).size());
    return kExitFailure;
}

int Output::Negative(const nlohmann::ordered_json& data, const std::string& message, HRESULT status) {
    m_data = data;
    m_status = status;
    m_statusSet = true;
    m_message = Sentence(message);
    if (!m_quiet) m_err << Prefix(m_command) << m_message << '\n';
    return kExitNegative;
}

int Output::Usage(const std::string& message) {
    m_status = E_INVALIDARG;
    m_statusSet = true;
    m_message = Sentence(message) + " See 'kelm " + (m_command.empty() ? "" : m_command + " ") + "--help'.";
    m_err << Prefix(m_command) << m_message << '\n';
    return kExitUsage;
}

void Output::Finish(int exitCode) {
    if (m_finished) return;
    m_finished = true;
    if (!m_json) return;
    HRESULT status = m_status;
    if (!m_statusSet) {  // a command that gave no status of its own: its exit code tells
        status = exitCode == kExitOk ? S_OK : exitCode == kExitNegative ? S_FALSE
               : exitCode == kExitUsage ? E_INVALIDARG : E_FAIL;
    }
    const nlohmann::ordered_json document = {{"ok", exitCode == kExitOk},
                                             {"command", m_command},
                                             {"status", {{"name", StatusNameOf(status)}, {"value", HexStatus(status)}}},
                                             {"data", m_data},
                                             {"message", m_message}};
    m_out << document.dump(2) << '\n';
}

}  // namespace kelmcli
