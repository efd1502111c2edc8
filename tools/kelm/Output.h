// Everything the tool prints: results for people (one value per line) on
// stdout, remarks and one-line errors on stderr, and with --json exactly one
// JSON document on stdout per run, of one shape for every command and
// outcome:
//   {"ok": true, "command": "count",
//    "status": {"name": "S_OK", "value": "0x00000000"},
//    "data": {...}, "message": "..."}
// ok is true exactly when the exit code is 0; data is null when the command
// got no answer to give.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kelmapi/automation.h"

namespace kelmcli {

// Exit codes of every command.
enum ExitCode : int {
    kExitOk = 0,        // success
    kExitNegative = 1,  // a negative answer: not found, does not exist, nothing to delete
    kExitUsage = 2,     // the command line is wrong
    kExitFailure = 3,   // a method or a file operation failed
};

using Json = nlohmann::ordered_json;

class Output {
public:
    Output(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    void SetJson(bool json) { m_json = json; }
    void SetQuiet(bool quiet) { m_quiet = quiet; }
    void SetCommand(std::string command) { m_command = std::move(command); }
    // Where a failure's description in words comes from (the component's
    // text for the last failed method; empty when there is none).
    void SetDescriber(std::function<std::string(HRESULT)> describer) { m_describer = std::move(describer); }
    bool Json() const { return m_json; }
    bool Quiet() const { return m_quiet; }
    const std::string& Command() const { return m_command; }

    // A result: the data of the JSON document, else the human text printed
    // at once (a line per entry; nothing for an empty text).
    void Result(const nlohmann::ordered_json& data, const std::string& human);
    void Result(const nlohmann::ordered_json& data, const std::vector<std::string>& lines);
    // A remark for people on stderr ("partition reserved"), none with --quiet
    // or --json; it is the message of the JSON document.
    void Note(const std::string& text);
    // A warning on stderr; none with --quiet.
    void Warning(const std::string& text);

    // A failed method or operation: one line on stderr
    //   kelm <command>: <what>: failed with 0x80004005 (E_FAIL). <description> <hint>.
    // Returns kExitFailure.
    int Failure(HRESULT status, const std::string& what, const std::string& hint = {});
    // A negative answer: the line on stderr (unless --quiet), the data and
    // the status that gave it. Returns kExitNegative.
    int Negative(const nlohmann::ordered_json& data, const std::string& message, HRESULT status = S_FALSE);
    // A usage error on stderr. Returns kExitUsage.
    int Usage(const std::string& message);

    // Ends the run: with --json prints its one document. Later calls print nothing.
    void Finish(int exitCode);

    std::ostream& Out() { return m_out; }
    std::ostream& Err() { return m_err; }

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_json = false;
    bool m_quiet = false;
    bool m_finished = false;
    std::string m_command;
    std::function<std::string(HRESULT)> m_describer;
    nlohmann::ordered_json m_data;
    std::string m_message;
    HRESULT m_status = S_OK;
    bool m_statusSet = false;
};

// The formatted failure line, without the newline (used by Failure and by
// the import summary).
std::string FailureLine(const std::string& command, HRESULT status, const std::string& what,
                        const std::string& hint);

}  // namespace kelmcli
