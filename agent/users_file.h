// The users file: who may log in, with a salted SHA-512 crypt hash of each
// password. One user a line, "name:hash"; blank lines and lines starting
// with "#" are kept as they are and otherwise ignored. The file is replaced
// atomically and given mode 0600 whenever it is written.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel::agent {

// A user name the file can hold: 1 to 64 characters, none of them a colon,
// a blank, "#" at the start, or a control character.
bool IsValidUserName(std::string_view name);

// A new hash of `password`: "$6$", 16 salt characters from /dev/urandom and
// the SHA-512 crypt result. Empty when no random bytes or no hash could be
// had.
std::string HashPassword(std::string_view password);

// Whether `password` matches `hash` (compared in constant time).
bool CheckPassword(std::string_view password, std::string_view hash);

class UsersFile {
 public:
  // Reads the file; false with a message when it cannot be read. A missing
  // file is an error unless `missingIsEmpty`.
  bool Load(const std::filesystem::path& path, bool missingIsEmpty, std::string* error);

  // Whether a user of that name (compared without regard to case when
  // `ignoreCase`) has that password. Unknown users cost as much time as
  // known ones.
  bool Verify(std::string_view user, std::string_view password, bool ignoreCase) const;

  bool HasUser(std::string_view user) const;
  // Adds the user or replaces the hash of the user of exactly that name.
  void SetHash(std::string_view user, std::string_view hash);

  std::string Text() const;
  // Writes the file atomically with mode 0600.
  bool Save(const std::filesystem::path& path, std::string* error) const;

 private:
  struct Line {
    std::string text;  // the line as read, for comments and blank lines
    std::string name;  // empty for comments and blank lines
    std::string hash;
  };
  std::vector<Line> lines_;
};

// `tandrill passwd`: sets the password of `user` in the file at `path`,
// creating the file when it does not exist. False with a message on failure.
bool SetUserPassword(const std::filesystem::path& path, std::string_view user,
                     std::string_view password, std::string* error);

}  // namespace vandrel::agent
