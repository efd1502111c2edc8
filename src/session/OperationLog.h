// The operation log: dated lines at three levels, appended to
// LogFiles\QuorKelm.log below the folder of the library last opened. Each
// line is written by its own open, append, flush and close; a line that
// cannot be written is dropped and changes no method's status.
#pragma once

#include <string>

namespace kelm {

class OperationLog {
public:
    OperationLog() = default;

    // Binds the log to <folder>\LogFiles\<logName>.log (creating LogFiles,
    // one level); writes nothing.
    void Start(const std::string& folder, const std::string& logName, const std::string& applicationName);

    bool WriteLine(const std::string& levelText, const std::string& tag, const std::string& message);
    bool LogError(const std::string& tag, const std::string& message);
    bool LogWarning(const std::string& tag, const std::string& message);
    bool LogInfo(const std::string& tag, const std::string& message);

    // The message of the last LogError, written or dropped, and how many
    // there have been: the component's failure descriptions reuse it.
    const std::string& LastErrorMessage() const { return m_lastErrorMessage; }
    unsigned long ErrorCount() const { return m_errorCount; }

private:
    std::string m_logName;
    std::string m_logFilePath;  // empty: unbound, every line is dropped
    std::string m_applicationName;
    std::string m_lastErrorMessage;
    unsigned long m_errorCount = 0;
};

}  // namespace kelm
