// A project is a tree of items: the project at the root, folders below it and
// files in the folders. Every item carries the settings its compile and build
// commands need; most of them are inherited from the nearest ancestor that
// overrides them. Items own their children; deleting an item deletes its
// subtree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/root_object.h"

namespace vandrel::project {

class Project;
class ProjectItem;

// Destination sizes of the text settings (text plus terminator): a field keeps
// at most size - 1 characters, as the project file stores it.
inline constexpr std::size_t kNameSize = 260;
inline constexpr std::size_t kLocationSize = 260;
inline constexpr std::size_t kTypeSize = 64;
inline constexpr std::size_t kCommandSize = 260;
inline constexpr std::size_t kCobolTokenSize = 32;
inline constexpr std::size_t kCompileEchoSize = 127;
inline constexpr std::size_t kCharSetSize = 127;

// CompileFlags bits.
inline constexpr std::uint32_t kCompileOverride = 0x1;  // this item's Compile text is used
inline constexpr std::uint32_t kCompileExclude = 0x2;   // excluded from the folder build
// BuildFlags bits.
inline constexpr std::uint32_t kBuildOverride = 0x1;  // this folder's Build text is used
inline constexpr std::uint32_t kBuildExcludeFromParent = 0x2;
inline constexpr std::uint32_t kBuildCompileContents = 0x4;
inline constexpr std::uint32_t kBuildAfterCompile = 0x8;

// The host operating-system code whose file names compare ignoring case.
inline constexpr std::int32_t kCaseInsensitiveHostKind = 9;

// The settings one item carries: everything CopySettingsFrom copies.
struct ItemSettings {
  std::string name;      // file name (may be an absolute path "/..."), or the folder's name
  std::string location;  // directory relative to the parent's; absolute when it begins with "/"
  std::string type;      // template; "(auto-detect)" or empty inherits
  std::int32_t tabStops = 0;
  std::uint32_t compileFlags = 0;
  std::string compile;
  std::uint32_t buildFlags = 0;
  std::string build;
  std::int32_t cobolFormat = 0;  // non-zero: cobolToken overrides the line tag mask
  std::string cobolToken;
  std::int32_t compileOutput = 0;  // non-zero: compileEcho overrides the precompile output
  std::string compileEcho;
  std::int32_t nlsTranslate = 0;  // non-zero: nlsCharSet overrides the character set
  std::string nlsCharSet;
  std::int32_t readOnly = 0;
  std::int32_t folder = 0;

  bool operator==(const ItemSettings&) const = default;
};

// The defaults of a new item.
ItemSettings DefaultItemSettings(bool folder);
// Cuts every text to its field: at most size - 1 characters.
void LimitItemSettings(ItemSettings& settings);
// `text` cut to a field of `size` bytes (size - 1 characters).
std::string CutToField(std::string_view text, std::size_t size);

// Whatever the application attaches to an item and the item owns (the code
// navigator's results for a file).
class ItemAttachment {
 public:
  virtual ~ItemAttachment() = default;
};

// A node of the workspace tree that shows the item; 0 when it is not shown.
using TreeNode = std::uintptr_t;
inline constexpr TreeNode kNoTreeNode = 0;

// Where items open their files: the application's editor windows.
class ItemOpener {
 public:
  virtual ~ItemOpener() = default;
  // Opens `path` in an editor with `templateName` (empty: none), read-only
  // when asked, owned by `owner`; false when it could not be opened.
  virtual bool OpenEditor(const std::string& path, const std::string& templateName, bool readOnly,
                          ProjectItem& owner, int line, int mark, bool activate) = 0;
};

class ProjectItem : public coObject {
 public:
  explicit ProjectItem(bool folder);
  ~ProjectItem() override;
  ProjectItem(const ProjectItem&) = delete;
  ProjectItem& operator=(const ProjectItem&) = delete;

  // A new item with the defaults, its parent set but not yet in the parent's
  // list (AppendChild puts it there).
  static std::unique_ptr<ProjectItem> Create(ProjectItem* parent, bool folder);

  // Deletes the children and the attachment, then restores the defaults.
  virtual void Clear();
  // Restores the defaults of the settings (the folder flag is kept).
  virtual void Reset();
  virtual bool IsProject() const { return false; }
  virtual bool IsFolder() const { return settings_.folder != 0; }

  ItemSettings& settings() { return settings_; }
  const ItemSettings& settings() const { return settings_; }
  const std::string& Name() const { return settings_.name; }
  const std::string& Location() const { return settings_.location; }
  void SetName(std::string_view name) { settings_.name = CutToField(name, kNameSize); }
  void SetLocation(std::string_view location) {
    settings_.location = CutToField(location, kLocationSize);
  }

  // ---- the tree -----------------------------------------------------------
  ProjectItem* Parent() const { return parent_; }
  void SetParent(ProjectItem* parent) { parent_ = parent; }
  const std::vector<std::unique_ptr<ProjectItem>>& Children() const { return children_; }
  std::size_t ChildCount() const { return children_.size(); }
  ProjectItem* Child(std::size_t index) const {
    return index < children_.size() ? children_[index].get() : nullptr;
  }
  // Appends `child` to this item's list and makes this item its parent.
  ProjectItem* AppendChild(std::unique_ptr<ProjectItem> child);
  // Takes `child` out of the list; nothing when it is not a child of this item.
  std::unique_ptr<ProjectItem> UnlinkChild(const ProjectItem* child);
  // Position in the parent's list; -1 for an item without a parent.
  int IndexInParent() const;
  // The project at the root of the tree; nothing for a detached subtree.
  Project* RootProject();
  const Project* RootProject() const;

  TreeNode GetTreeNode() const { return treeNode_; }
  void SetTreeNode(TreeNode node) { treeNode_ = node; }
  ItemAttachment* NavigatorData() const { return navigatorData_.get(); }
  void SetNavigatorData(std::unique_ptr<ItemAttachment> data) { navigatorData_ = std::move(data); }

  // ---- paths --------------------------------------------------------------
  // The item's directory: the Locations from the project down to the item,
  // each non-empty one followed by "/", an absolute one discarding what came
  // before it.
  std::string FolderPath() const;
  // FolderPath followed by Name; Name alone when it is absolute; nothing when
  // Name is empty.
  std::optional<std::string> FullPath() const;

  // ---- inherited settings -------------------------------------------------
  // The item's own Type text.
  const std::string& TemplateText() const { return settings_.type; }
  // The first Type up the ancestors that is neither empty nor "(auto-detect)".
  std::optional<std::string> EffectiveTemplate() const;
  // The nearest ancestor that overrides the compile command; nothing when it
  // has no command or there is none.
  const ProjectItem* CompileOwner() const;
  bool CanCompile() const;
  // The item whose build command builds this one; nothing when a folder on
  // the way overrides the build without giving a command.
  const ProjectItem* BuildOwner() const;
  bool CanBuild() const { return BuildOwner() != nullptr; }
  // The overriding line tag mask and character set, cut to a destination of
  // `size` bytes; nothing when no item up the ancestors overrides them.
  std::optional<std::string> EffectiveCobolToken(std::size_t size = kCobolTokenSize) const;
  std::optional<std::string> EffectiveCharSet(std::size_t size = kCharSetSize) const;
  // The precompile output text: the nearest item, from this one up, that
  // overrides it; the project's text is the default for everything below it.
  std::optional<std::string> EffectivePrecompileOutput() const;

  // ---- searching and counting ---------------------------------------------
  // The first item, depth first from this one, whose Name equals `name` (a
  // name without "/") or whose FullPath equals it; names compare ignoring
  // case only for hosts of kind 9.
  ProjectItem* FindItem(std::string_view name, std::int32_t hostKind);
  bool Contains(const ProjectItem* other) const;
  // Adds one per folder and one per file of the subtree below this item.
  void CountItems(int& folders, int& files) const;
  // The number of items below this item.
  int TotalItems() const;
  // Positions from the project down to this item, each followed by a space
  // ("0 2 " is the third child of the project's first child; "" the project).
  std::string IndexPath() const;
  // The item an IndexPath names below this one; nothing when it names none.
  ProjectItem* ItemAtIndexPath(std::string_view indexPath);
  // Appends the FullPath of every file of the subtree, each followed by CR LF.
  void ListFiles(std::string& out) const;

  // ---- changing the tree --------------------------------------------------
  // Moves this item into `folder`, keeping its directory: allowed only for an
  // item with a parent, into a folder that is not the current parent and not
  // inside this item's own subtree.
  bool MoveTo(ProjectItem& folder);
  // Copies the settings (not the tree links, tree node or attachment).
  void CopySettingsFrom(const ProjectItem& other) { settings_ = other.settings_; }
  // Applies the settings of `other` (a copy of this subtree) to this subtree,
  // children paired in list order; editors of an item whose Type changed are
  // told its new template.
  void ApplySettingsFrom(const ProjectItem& other);
  // A copy of this item and its subtree appended to `parent` (as a folder or
  // file: cloning the project gives a folder). When `parent` is this item,
  // the new copy is not copied into itself.
  ProjectItem* CloneInto(ProjectItem& parent) const;

  // ---- files --------------------------------------------------------------
  // Opens the file in an editor with its effective template; fails without a
  // FullPath.
  bool Open(ItemOpener& opener, int line = 0, int mark = 0, bool activate = true);
  // `text` with the item macros replaced by this item's facts.
  std::string ExpandMacros(std::string_view text) const;

 protected:
  // Tells the open editors of this item its template (through the project).
  void NotifyTemplateChanged();

  ItemSettings settings_;

 private:
  ProjectItem* parent_ = nullptr;
  std::vector<std::unique_ptr<ProjectItem>> children_;
  TreeNode treeNode_ = kNoTreeNode;
  std::unique_ptr<ItemAttachment> navigatorData_;
};

// True when `type` names no template of its own (empty or "(auto-detect)" in
// any letter case), so the item inherits.
bool IsInheritedType(std::string_view type);

}  // namespace vandrel::project
