#pragma once
// The failures of a conversion. Each carries its exact message text; front ends
// show it followed by "." (the window's exception box, the CLI's stderr). Where
// the system gave a reason (an errno), it is kept beside the message with the
// name of the file it concerns.

#include <exception>
#include <string>
#include <string_view>

namespace tervanil {

class Exception : public std::exception {
  public:
    explicit Exception(std::string message, std::string_view fileName = {}, int error = 0)
        : m_message(std::move(message)), m_fileName(fileName), m_error(error) {}
    const std::string& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }
    /// The file the failure concerns, as shown in the message; may be empty.
    const std::string& fileName() const noexcept { return m_fileName; }
    /// The errno the system failed with; 0 when it gave none.
    int error() const noexcept { return m_error; }
    /// The system's text for `error()`; empty when there is none.
    std::string reason() const;

  private:
    std::string m_message;
    std::string m_fileName;
    int m_error;
};

class EStreamError : public Exception {
    using Exception::Exception;
};
class EFOpenError : public EStreamError {
  public:
    /// "ﾌｧｲﾙ <name> は開けません": a source that cannot be opened or read.
    explicit EFOpenError(std::string_view fileName, int error = 0);
};
class EFCreateError : public EStreamError {
  public:
    /// "ﾌｧｲﾙ <name> を作成できません": a page that cannot be created.
    explicit EFCreateError(std::string_view fileName, int error = 0);
};
class EFilerError : public Exception {
    using Exception::Exception;
};
class EWriteError : public EFilerError {
  public:
    /// "ｽﾄﾘｰﾑへの書き込みｴﾗｰ": not all bytes of a page were written.
    explicit EWriteError(std::string_view fileName = {}, int error = 0);
};
class EInvalidOperation : public Exception {
  public:
    /// "文字列の大きさが ﾒﾓ の制限を越えました": a text too large to hold.
    EInvalidOperation();
};

} // namespace tervanil
