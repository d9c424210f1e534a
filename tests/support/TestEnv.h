// Helpers every test shares: where the private Firebird server listens, its
// SYSDBA password, and fresh folders for test databases.
#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include <unistd.h>

namespace testenv {

namespace detail {

// Under ctest the fbserver fixture always sets these, so a missing one means
// the test was not registered with SERVER or was run by hand: fail loudly (the
// exception fails the calling test with this message) rather than skip and
// hide a test that never ran.
inline std::string RequiredEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    throw std::runtime_error(std::string(name) +
                             " is not set: register this test with SERVER in restaurol_add_test "
                             "(or start scripts/firebird-server and export " +
                             name + " when running it by hand)");
  }
  return value;
}

inline std::string SafeTag(const std::string& tag) {
  std::string out;
  for (char c : tag) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    out += plain ? c : '_';
  }
  return out.empty() ? std::string("data") : out;
}

}  // namespace detail

// Port of the private test server, from FB_TEST_PORT.
inline std::string ServerPort() { return detail::RequiredEnv("FB_TEST_PORT"); }

// SYSDBA's password on the private test server, from FB_TEST_PASSWORD.
inline std::string SysdbaPassword() { return detail::RequiredEnv("FB_TEST_PASSWORD"); }

// Database name that reaches `path` through the private test server.
inline std::string RemoteName(const std::string& path) {
  return "localhost/" + ServerPort() + ":" + path;
}

// A fresh, empty folder for this test's files: under RESTAUROL_TEST_DATA (set
// by ctest to <build>/testdata) or the system temp folder, unique per process
// and per call. Open to every user, as the test server may run as another one.
inline std::string NewDataDir(const std::string& tag) {
  namespace fs = std::filesystem;
  static std::atomic<unsigned> counter{0};
  const char* root_env = std::getenv("RESTAUROL_TEST_DATA");
  const fs::path root = (root_env != nullptr && *root_env != '\0')
                            ? fs::path(root_env)
                            : fs::temp_directory_path() / "restaurol-testdata";
  const fs::path dir = root / (detail::SafeTag(tag) + "-" + std::to_string(::getpid()) + "-" +
                               std::to_string(counter.fetch_add(1)));
  std::error_code ec;
  fs::remove_all(dir, ec);  // left over from an earlier process with the same pid
  fs::create_directories(dir, ec);
  if (ec) {
    throw std::runtime_error("cannot create test folder " + dir.string() + ": " + ec.message());
  }
  fs::permissions(dir, fs::perms::all, fs::perm_options::replace, ec);
  if (ec) {
    throw std::runtime_error("cannot open up test folder " + dir.string() + ": " + ec.message());
  }
  return dir.string();
}

// File name of the Firebird client library to load.
inline std::string ClientLibrary() { return "libfbclient.so.2"; }

}  // namespace testenv
