#include "exceptions.h"

namespace tervanil {
namespace {

std::string withName(std::string_view before, std::string_view name, std::string_view after) {
    std::string message;
    message.reserve(before.size() + name.size() + after.size());
    message.append(before).append(name).append(after);
    return message;
}

} // namespace

EFOpenError::EFOpenError(std::string_view fileName)
    : EStreamError(withName("ﾌｧｲﾙ ", fileName, " は開けません")) {}

EFCreateError::EFCreateError(std::string_view fileName)
    : EStreamError(withName("ﾌｧｲﾙ ", fileName, " を作成できません")) {}

EWriteError::EWriteError() : EFilerError("ｽﾄﾘｰﾑへの書き込みｴﾗｰ") {}

EInvalidOperation::EInvalidOperation() : Exception("文字列の大きさが ﾒﾓ の制限を越えました") {}

} // namespace tervanil
