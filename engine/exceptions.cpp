#include "exceptions.h"

#include <cstring>

namespace tervanil {
namespace {

std::string withName(std::string_view before, std::string_view name, std::string_view after) {
    std::string message;
    message.reserve(before.size() + name.size() + after.size());
    message.append(before).append(name).append(after);
    return message;
}

} // namespace

std::string Exception::reason() const {
    if (m_error == 0)
        return {};
    char buffer[256];
    // The GNU strerror_r, which may answer with a text of its own.
    return ::strerror_r(m_error, buffer, sizeof buffer);
}

EFOpenError::EFOpenError(std::string_view fileName, int error)
    : EStreamError(withName("ﾌｧｲﾙ ", fileName, " は開けません"), fileName, error) {}

EFCreateError::EFCreateError(std::string_view fileName, int error)
    : EStreamError(withName("ﾌｧｲﾙ ", fileName, " を作成できません"), fileName, error) {}

EWriteError::EWriteError(std::string_view fileName, int error)
    : EFilerError("ｽﾄﾘｰﾑへの書き込みｴﾗｰ", fileName, error) {}

EInvalidOperation::EInvalidOperation() : Exception("文字列の大きさが ﾒﾓ の制限を越えました") {}

} // namespace tervanil
