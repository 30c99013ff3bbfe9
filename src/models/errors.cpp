#include "models/errors.h"

#include <cerrno>
#include <cstring>

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
    case Kind::readerInit: return "读取器初始化失败：" + detail_;
    case Kind::writerInit: return "写入器初始化失败：" + detail_;
    case Kind::appendFailed: return "写入失败：" + detail_;
    case Kind::stalled:
      return detail_ + "长时间无响应，已中止。可尝试把分辨率改成 1080P 再试，或先确认源文件能否正常播放";
    case Kind::noVideoTrack: return "未找到视频轨道";
    case Kind::cancelled: return "已取消";
  }
  return {};
}

const char* PlatformError::causeText(Cause cause) {
  switch (cause) {
    case Cause::fileMissing: return "文件不存在";
    case Cause::noPermission: return "没有访问权限";
    case Cause::diskFull: return "磁盘空间已满";
    case Cause::fileTooLarge: return "文件超出系统允许的大小";
    case Cause::readOnly: return "目标位置只读，无法写入";
    case Cause::damaged: return "文件已损坏或无法识别";
    case Cause::unsupported: return "不支持的文件格式";
    case Cause::io: return "读写文件时出错";
    case Cause::other: return "操作失败";
  }
  return "操作失败";
}

PlatformError PlatformError::fromErrno(int errnum) {
  Cause cause = Cause::other;
  switch (errnum) {
    case ENOENT:
    case ENOTDIR: cause = Cause::fileMissing; break;
    case EACCES:
    case EPERM: cause = Cause::noPermission; break;
    case ENOSPC:
    case EDQUOT: cause = Cause::diskFull; break;
    case EFBIG: cause = Cause::fileTooLarge; break;
    case EROFS: cause = Cause::readOnly; break;
    case EIO: cause = Cause::io; break;
    default: break;
  }
  return PlatformError(cause, std::strerror(errnum));
}

std::string PlatformError::description() const {
  std::string text = causeText(cause_);
  if (!libraryText_.empty()) text += "（" + libraryText_ + "）";
  return text;
}

}  // namespace kivotra
