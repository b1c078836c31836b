// The root of the framework's class tree. Lists, strings, threads and keyword
// lists all derive from coObject, so a list of root objects can apply the one
// shared operation to every entry without knowing the entries' types.
#pragma once

namespace vandrel {

class coObject {
 public:
  coObject() = default;
  virtual ~coObject() = default;

  coObject(const coObject&) = default;
  coObject& operator=(const coObject&) = default;
  coObject(coObject&&) = default;
  coObject& operator=(coObject&&) = default;

  // The shared operation. It does nothing here; a list forwards it to each of
  // its items.
  virtual void RootOperation() {}
};

}  // namespace vandrel
