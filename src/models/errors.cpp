#include "models/errors.h"

#include <cerrno>
#include <cstring>

#include "models/text.h"

namespace kivotra {

const char* Error::what() const noexcept {
  try {
    whatCache_ = description();
    return whatCache_.c_str();
  } catch (...) {
    return "kivotra error";
  }
}

std::string TranscodeError::description() const {
  switch (kind_) {
    case Kind::readerInit: return fillIn(translate("Errors", "读取器初始化失败：%1"), {detail_});
    case Kind::writerInit: return fillIn(translate("Errors", "写入器初始化失败：%1"), {detail_});
    case Kind::appendFailed: return fillIn(translate("Errors", "写入失败：%1"), {detail_});
    case Kind::stalled:
      return fillIn(translate("Errors", "%1长时间无响应，已中止。可尝试把分辨率改成 1080P 再试，或先确认源文件能否正常播放"),
                    {detail_});
    case Kind::noVideoTrack: return translate("Errors", "未找到视频轨道");
    case Kind::cancelled: return translate("Errors", "已取消");
  }
  return {};
}

std::string PlatformError::causeText(Cause cause) {
  switch (cause) {
    case Cause::fileMissing: return translate("Errors", "文件不存在");
    case Cause::noPermission: return translate("Errors", "没有访问权限");
    case Cause::diskFull: return translate("Errors", "磁盘空间已满");
    case Cause::fileTooLarge: return translate("Errors", "文件超出系统允许的大小");
    case Cause::readOnly: return translate("Errors", "目标位置只读，无法写入");
    case Cause::damaged: return translate("Errors", "文件已损坏或无法识别");
    case Cause::unsupported: return translate("Errors", "不支持的文件格式");
    case Cause::io: return translate("Errors", "读写文件时出错");
    case Cause::other: break;
  }
  return translate("Errors", "操作失败");
}

PlatformError::Cause PlatformError::causeOfErrno(int errnum) {
  switch (errnum) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO: return Cause::fileMissing;
    case EACCES:
    case EPERM: return Cause::noPermission;
    case ENOSPC:
    case EDQUOT: return Cause::diskFull;
    case EFBIG: return Cause::fileTooLarge;
    case EROFS: return Cause::readOnly;
    case EIO: return Cause::io;
    case ENOSYS: return Cause::unsupported;
    default: return Cause::other;
  }
}

PlatformError PlatformError::fromErrno(int errnum) { return PlatformError(causeOfErrno(errnum), std::strerror(errnum)); }

std::string PlatformError::description() const {
  if (libraryText_.empty()) return causeText(cause_);
  return fillIn(translate("Errors", "%1（%2）"), {causeText(cause_), libraryText_});
}

}  // namespace kivotra
