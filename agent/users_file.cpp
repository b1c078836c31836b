#include "agent/users_file.h"

#include <crypt.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "platform/atomic_file.h"

namespace vandrel::agent {

namespace {

constexpr char kSaltAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kSaltLength = 16;
// A valid hash that no password given to the agent matches in practice; an
// unknown user is checked against it so that the answer takes as long.
constexpr char kDummyHash[] =
    "$6$Hc7cEAJm0ojCD3rN$4TbC0H2tXSMzO2Y3IfTrtRKJ1kzm6Ff/dmD1T8b8Xiy5v7V.q8Ij.qBM1hfsY0sB"
    "sZgkbn2U2UV7gNpCbDi6v1";

bool ReadRandom(unsigned char* bytes, std::size_t count) {
  int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::size_t total = 0;
  while (total < count) {
    ssize_t got = ::read(fd, bytes + total, count - total);
    if (got <= 0) break;
    total += static_cast<std::size_t>(got);
  }
  ::close(fd);
  return total == count;
}

std::string Crypt(std::string_view password, const std::string& setting) {
  // crypt_data is large; keep it off the session thread's stack.
  auto data = std::make_unique<crypt_data>();
  std::memset(data.get(), 0, sizeof(crypt_data));
  const std::string key(password);
  const char* result = ::crypt_r(key.c_str(), setting.c_str(), data.get());
  // Failures are null or a string starting with "*".
  if (result == nullptr || result[0] == '*') return {};
  return result;
}

bool SameName(std::string_view a, std::string_view b, bool ignoreCase) {
  if (a.size() != b.size()) return false;
  if (!ignoreCase) return a == b;
  return ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

bool IsValidUserName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name.front() == '#') return false;
  for (unsigned char c : name) {
    if (c <= ' ' || c == ':' || c == 0x7f) return false;
  }
  return true;
}

std::string HashPassword(std::string_view password) {
  unsigned char random[kSaltLength];
  if (!ReadRandom(random, sizeof random)) return {};
  std::string setting = "$6$";
  for (unsigned char byte : random) setting += kSaltAlphabet[byte & 63];
  return Crypt(password, setting);
}

bool CheckPassword(std::string_view password, std::string_view hash) {
  if (hash.size() < 4 || hash.substr(0, 3) != "$6$") return false;
  const std::string computed = Crypt(password, std::string(hash));
  if (computed.size() != hash.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < hash.size(); ++i) {
    difference |= static_cast<unsigned char>(computed[i] ^ hash[i]);
  }
  return difference == 0;
}

bool UsersFile::Load(const std::filesystem::path& path, bool missingIsEmpty, std::string* error) {
  lines_.clear();
  std::string contents;
  std::string readError;
  switch (platform::ReadWholeFile(path, &contents, &readError)) {
    case platform::ReadStatus::kOk:
      break;
    case platform::ReadStatus::kMissing:
      if (missingIsEmpty) return true;
      if (error) *error = "the users file " + path.string() + " does not exist";
      return false;
    case platform::ReadStatus::kError:
      if (error) *error = readError;
      return false;
  }
  std::size_t start = 0;
  while (start < contents.size()) {
    std::size_t end = contents.find('\n', start);
    if (end == std::string::npos) end = contents.size();
    Line line;
    line.text = contents.substr(start, end - start);
    if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
    if (!line.text.empty() && line.text.front() != '#') {
      const std::size_t colon = line.text.find(':');
      if (colon != std::string::npos) {
        line.name = line.text.substr(0, colon);
        line.hash = line.text.substr(colon + 1);
      }
    }
    lines_.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

bool UsersFile::Verify(std::string_view user, std::string_view password, bool ignoreCase) const {
  bool matched = false;
  bool known = false;
  for (const Line& line : lines_) {
    if (line.name.empty() || !SameName(line.name, user, ignoreCase)) continue;
    known = true;
    if (CheckPassword(password, line.hash)) matched = true;
  }
  if (!known) CheckPassword(password, kDummyHash);
  return matched;
}

bool UsersFile::HasUser(std::string_view user) const {
  for (const Line& line : lines_) {
    if (!line.name.empty() && line.name == user) return true;
  }
  return false;
}

void UsersFile::SetHash(std::string_view user, std::string_view hash) {
  for (Line& line : lines_) {
    if (!line.name.empty() && line.name == user) {
      line.hash = hash;
      line.text = line.name + ":" + line.hash;
      return;
    }
  }
  Line line;
  line.name = user;
  line.hash = hash;
  line.text = line.name + ":" + line.hash;
  lines_.push_back(std::move(line));
}

std::string UsersFile::Text() const {
  std::string text;
  for (const Line& line : lines_) {
    text += line.text;
    text += '\n';
  }
  return text;
}

bool UsersFile::Save(const std::filesystem::path& path, std::string* error) const {
  return platform::WriteFileAtomically(path, Text(), 0600, error);
}

bool SetUserPassword(const std::filesystem::path& path, std::string_view user,
                     std::string_view password, std::string* error) {
  if (!IsValidUserName(user)) {
    if (error) *error = "a user name may not be empty or hold blanks, colons or control characters";
    return false;
  }
  if (password.empty()) {
    if (error) *error = "the password may not be empty";
    return false;
  }
  if (password.find_first_of(std::string_view("\0\n\r", 3)) != std::string_view::npos) {
    if (error) *error = "the password may not hold line breaks or zero bytes";
    return false;
  }
  UsersFile users;
  if (!users.Load(path, true, error)) return false;
  const std::string hash = HashPassword(password);
  if (hash.empty()) {
    if (error) *error = "the password could not be hashed";
    return false;
  }
  users.SetHash(user, hash);
  return users.Save(path, error);
}

}  // namespace vandrel::agent
