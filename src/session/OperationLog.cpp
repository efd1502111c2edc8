// The operation log: each line is opened, appended, flushed and closed on
// its own, so lines of several writers never interleave and nothing stays
// open between lines.
#include "session/OperationLog.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "util/Paths.h"

namespace kelm {
namespace {

// The text up to its first NUL, padded with blanks to at least `width`; a
// longer text is kept whole.
std::string Column(const std::string& text, std::size_t width) {
    std::string column(text.c_str());
    if (column.size() < width) column.append(width - column.size(), ' ');
    return column;
}

// The file is written as text: every line break becomes CR LF.
std::string AsText(const std::string& line) {
    std::string text;
    text.reserve(line.size() + 2);
    for (const char c : line) {
        if (c == '\n') text += '\r';
        text += c;
    }
    return text;
}

}  // namespace

void OperationLog::Start(const std::string& folder, const std::string& logName, const std::string& applicationName) {
    std::string logFolder = folder;
    AddTrailingBackslash(logFolder);
    AppendPathFolder(logFolder, "LogFiles");
    if (!PathExists(logFolder)) platform::CreateOneFolder(logFolder);  // a failure drops later lines
    m_logName = logName;
    m_applicationName = applicationName;
    m_logFilePath = logFolder;
    AppendPathName(m_logFilePath, m_logName);
    ChangePathExtension(m_logFilePath, ".log");
}

bool OperationLog::WriteLine(const std::string& levelText, const std::string& tag, const std::string& message) {
    platform::AppendFile file;
    if (m_logFilePath.empty() || !file.Open(m_logFilePath)) return false;

    std::string timeStamp;
    platform::FormatLocalTime(platform::NowSeconds(), timeStamp);  // empty when it cannot be formatted

    std::string line = Column(timeStamp, 20) + Column(levelText, 10) + Column(m_applicationName, 15);
    const std::string tagText(tag.c_str());
    const std::string messageText(message.c_str());
    if (tagText.empty()) {
        line += " - " + messageText;
    } else {
        line += Column(tagText, 35);
        if (!messageText.empty()) line += " - " + messageText;
    }
    line += '\n';

    // A failure while writing, flushing or closing drops the line silently.
    if (file.Write(AsText(line))) file.Close();
    return true;
}

bool OperationLog::LogError(const std::string& tag, const std::string& message) {
    m_lastErrorMessage = message;
    ++m_errorCount;
    return WriteLine("(ERROR)", tag, message);
}
bool OperationLog::LogWarning(const std::string& tag, const std::string& message) {
    return WriteLine("(WARNING)", tag, message);
}
bool OperationLog::LogInfo(const std::string& tag, const std::string& message) {
    return WriteLine("(INFO)", tag, message);
}

}  // namespace kelm
