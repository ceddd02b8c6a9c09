// Shared test helpers: temporary folders, file helpers and a host reset around each test.
#pragma once

#include "platform/host/host.h"
#include "platform/host/user/dialog_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tolma::test {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // Writes a file in the folder and returns its full path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);

// Paths of build outputs the tests use.
std::string BuiltDataFile();        // the generated driver data file
std::string BuiltPreviewPicture();  // the generated colour correction preview picture "domacc.bmp"
std::string BuiltLogoPicture();     // the generated About box logo "tlmlogov.bmp"
std::string SourcePath(const std::string& relative);

// Resets the host before and after each test; what a scripted user cannot do fails the test, and so does a
// script left with actions nobody played.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::Reset();
    host::SetUserFailureHandler([](const std::string& message) { ADD_FAILURE() << message; });
  }
  void TearDown() override {
    EXPECT_EQ(host::PendingUserActions(), 0) << "scripted user actions were left unplayed";
    host::Reset();
  }
};

}  // namespace tolma::test
