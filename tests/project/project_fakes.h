// Stand-ins for what the application attaches to a project: a tree control
// that keeps its nodes in memory, editors that record what they were told,
// and a project that is quick to build in a test.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "project/project.h"
#include "project/project_tree.h"

namespace vandrel::project::testing {

class MemoryTreeView : public ProjectTreeView {
 public:
  struct Node {
    TreeNode parent = kNoTreeNode;
    std::string label;
    int image = 0;
    ProjectItem* item = nullptr;
    bool expanded = false;
  };

  TreeNode InsertNode(TreeNode parent, const std::string& label, int image,
                      ProjectItem& item) override {
    const TreeNode node = next_++;
    nodes_[node] = {parent, label, image, &item, false};
    auto& siblings = children_[parent];
    auto at = std::find_if(siblings.begin(), siblings.end(),
                           [&](TreeNode n) { return nodes_[n].label > label; });
    siblings.insert(at, node);
    return node;
  }
  std::string NodeLabel(TreeNode node) const override { return nodes_.at(node).label; }
  void SetNode(TreeNode node, const std::string& label, int image) override {
    nodes_.at(node).label = label;
    nodes_.at(node).image = image;
  }
  void SortChildren(TreeNode parent) override {
    ++sorts_;
    auto& siblings = children_[parent];
    std::stable_sort(siblings.begin(), siblings.end(),
                     [&](TreeNode a, TreeNode b) { return nodes_[a].label < nodes_[b].label; });
  }
  void DeleteNode(TreeNode node) override {
    for (TreeNode child : std::vector<TreeNode>(children_[node])) DeleteNode(child);
    children_.erase(node);
    auto& siblings = children_[nodes_.at(node).parent];
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    nodes_.erase(node);
  }
  bool IsExpanded(TreeNode node) const override { return nodes_.at(node).expanded; }
  void Expand(TreeNode node) override { nodes_.at(node).expanded = true; }

  const Node& At(TreeNode node) const { return nodes_.at(node); }
  bool Has(TreeNode node) const { return nodes_.count(node) != 0; }
  std::size_t Size() const { return nodes_.size(); }
  // The labels of the children of `parent`, in tree order.
  std::vector<std::string> Labels(TreeNode parent) const {
    std::vector<std::string> labels;
    auto it = children_.find(parent);
    if (it != children_.end())
      for (TreeNode n : it->second) labels.push_back(nodes_.at(n).label);
    return labels;
  }
  int sorts() const { return sorts_; }

 private:
  TreeNode next_ = 1;
  std::map<TreeNode, Node> nodes_;
  std::map<TreeNode, std::vector<TreeNode>> children_;
  int sorts_ = 0;
};

class RecordingEditors : public ProjectEditors {
 public:
  struct Change {
    ProjectItem* owner;
    std::string templateName;
  };
  void TemplateChanged(ProjectItem& owner, const std::string& templateName) override {
    changes.push_back({&owner, templateName});
  }
  std::vector<Change> changes;
};

inline ProjectItem* AddFolder(ProjectItem& parent, const std::string& name,
                              const std::string& location = {}) {
  auto folder = ProjectItem::Create(&parent, true);
  folder->SetName(name);
  folder->SetLocation(location);
  return parent.AppendChild(std::move(folder));
}

inline ProjectItem* AddFile(ProjectItem& parent, const std::string& name,
                            const std::string& location = {}) {
  auto file = ProjectItem::Create(&parent, false);
  file->SetName(name);
  file->SetLocation(location);
  return parent.AppendChild(std::move(file));
}

}  // namespace vandrel::project::testing
