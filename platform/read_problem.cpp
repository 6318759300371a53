#include "platform/read_problem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/gbk.h"
#include "platform/text_file.h"

namespace platform {

ReadProblem readProblemOfPath(const std::string& utf8Path) {
  struct stat info {};
  if (::stat(utf8Path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadProblem::kMissing;
    if (errno == ELOOP) return ReadProblem::kSymbolicLinkLoop;
    return errno == EACCES ? ReadProblem::kNoPermission : ReadProblem::kOther;
  }
  if (!S_ISREG(info.st_mode)) return ReadProblem::kNotRegularFile;
  const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return errno == EACCES || errno == EPERM ? ReadProblem::kNoPermission : ReadProblem::kOther;
  ::close(fd);
  return ReadProblem::kOther;
}

ReadProblem readProblemOf(std::string_view gbkName) {
  const std::optional<std::string> path =
      isSafeFileName(gbkName) ? gbkToUtf8(gbkName) : std::nullopt;
  if (!path) return ReadProblem::kUnsafeName;
  return readProblemOfPath(*path);
}

std::string_view readProblemWords(ReadProblem problem) {
  switch (problem) {
    case ReadProblem::kMissing:
      return "文件不存在";
    case ReadProblem::kNoPermission:
      return "权限不够";
    case ReadProblem::kNotRegularFile:
      return "不是普通文件";
    case ReadProblem::kUnsafeName:
      return "文件名不合法";
    case ReadProblem::kSymbolicLinkLoop:
      return "符号链接循环";
    case ReadProblem::kOther:
      break;
  }
  return "读取出错";
}

std::string_view readProblemText(ReadProblem problem) {
  switch (problem) {
    case ReadProblem::kMissing:
      return "not found";
    case ReadProblem::kNoPermission:
      return "permission denied";
    case ReadProblem::kNotRegularFile:
      return "not a regular file";
    case ReadProblem::kUnsafeName:
      return "not a valid file name";
    case ReadProblem::kSymbolicLinkLoop:
      return "a symbolic link loop";
    case ReadProblem::kOther:
      break;
  }
  return "an input or output error";
}

Status readProblemStatus(ReadProblem problem) {
  using Code = Status::Code;
  Code code = Code::kIoError;
  switch (problem) {
    case ReadProblem::kMissing:
      code = Code::kNotFound;
      break;
    case ReadProblem::kNoPermission:
      code = Code::kNoPermission;
      break;
    case ReadProblem::kNotRegularFile:
      code = Code::kNotRegularFile;
      break;
    case ReadProblem::kUnsafeName:
      code = Code::kInvalidInput;
      break;
    case ReadProblem::kSymbolicLinkLoop:
      code = Code::kSymbolicLinkLoop;
      break;
    case ReadProblem::kOther:
      break;
  }
  return Status::error(code, std::string(readProblemText(problem)));
}

}  // namespace platform
