// Runs the studio's tools as a shell would, with files for their streams,
// and gives each test its own scratch folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvane::tools_test {

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs `program` with `args`, feeding `input` on stdin.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                const std::string& input = {});

// A folder removed with everything in it when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace orvane::tools_test
