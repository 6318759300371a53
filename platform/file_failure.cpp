#include "platform/file_failure.h"

#include <cerrno>
#include <string>

namespace platform {
namespace {

using Code = Status::Code;

std::string_view englishWords(Code code) {
  switch (code) {
    case Code::kIoError:
      return "an input or output error";
    case Code::kChangedSinceRead:
      return "another program changed the file since it was read";
    case Code::kDiskFull:
      return "the disk is full";
    case Code::kFileTooLarge:
      return "the file would be too large (file size limit)";
    case Code::kFolderNotWritable:
      return "the folder is not writable";
    case Code::kReadOnlyFileSystem:
      return "the file system is read-only";
    case Code::kHeldByAnotherProgram:
      return "another program holds the file";
    case Code::kReadOnlyFile:
      return "the file is read-only";
    case Code::kAttributesNotKept:
      return "the new file cannot keep the old one's permissions or access control";
    case Code::kAppendOnlyOrImmutable:
      return "the file is append-only or immutable";
    case Code::kSeveralLinks:
      return "the file has other hard links, which would keep the old content";
    case Code::kNotFound:
      return "not found";
    case Code::kNotRegularFile:
      return "not a regular file";
    case Code::kSymbolicLinkLoop:
      return "a symbolic link loop";
    default:
      return {};
  }
}

}  // namespace

Status fileFailure(Code code) { return Status::error(code, std::string(englishWords(code))); }

Status writeFailureOf(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return fileFailure(Code::kDiskFull);
    case EFBIG:
      return fileFailure(Code::kFileTooLarge);
    case EROFS:
      return fileFailure(Code::kReadOnlyFileSystem);
    case EACCES:
    case EPERM:
      return fileFailure(Code::kFolderNotWritable);
    case ENOENT:
    case ENOTDIR:
      return fileFailure(Code::kNotFound);
    case ELOOP:
      return fileFailure(Code::kSymbolicLinkLoop);
    case EISDIR:
      return fileFailure(Code::kNotRegularFile);
    default:
      return fileFailure(Code::kIoError);
  }
}

std::string_view fileFailureWords(Code code) {
  switch (code) {
    case Code::kIoError:
      return "读写出错";
    case Code::kChangedSinceRead:
      return "文件在读入后已被其他程序改动";
    case Code::kDiskFull:
      return "磁盘已满";
    case Code::kFileTooLarge:
      return "文件超过了系统允许的大小";
    case Code::kFolderNotWritable:
      return "文件夹不允许写入";
    case Code::kReadOnlyFileSystem:
      return "磁盘是只读的";
    case Code::kHeldByAnotherProgram:
      return "另一个程序正占用文件";
    case Code::kReadOnlyFile:
      return "文件是只读的";
    case Code::kAttributesNotKept:
      return "新文件无法保留原文件的权限或访问控制设置";
    case Code::kAppendOnlyOrImmutable:
      return "文件只允许追加或不允许改动";
    case Code::kSeveralLinks:
      return "文件有多个硬链接，替换后其他链接仍是旧内容";
    case Code::kNotFound:
      return "文件夹不存在";
    case Code::kNotRegularFile:
      return "不是普通文件";
    case Code::kSymbolicLinkLoop:
      return "符号链接循环";
    default:
      return {};
  }
}

}  // namespace platform
