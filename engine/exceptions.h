#pragma once
// The failures of a conversion. Each carries its exact message text; front ends
// show it followed by "." (the window's exception box, the CLI's stderr).

#include <exception>
#include <string>
#include <string_view>

namespace tervanil {

class Exception : public std::exception {
  public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    const std::string& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

  private:
    std::string m_message;
};

class EStreamError : public Exception {
    using Exception::Exception;
};
class EFOpenError : public EStreamError {
  public:
    /// "ﾌｧｲﾙ <name> は開けません": a source that cannot be opened or read.
    explicit EFOpenError(std::string_view fileName);
};
class EFCreateError : public EStreamError {
  public:
    /// "ﾌｧｲﾙ <name> を作成できません": a page that cannot be created.
    explicit EFCreateError(std::string_view fileName);
};
class EFilerError : public Exception {
    using Exception::Exception;
};
class EWriteError : public EFilerError {
  public:
    /// "ｽﾄﾘｰﾑへの書き込みｴﾗｰ": not all bytes of a page were written.
    EWriteError();
};
class EInvalidOperation : public Exception {
  public:
    /// "文字列の大きさが ﾒﾓ の制限を越えました": a text too large to hold.
    EInvalidOperation();
};

} // namespace tervanil
