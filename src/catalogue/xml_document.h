// XML read safely with RapidXml: from a copy of the text that ends in a NUL,
// with its nesting bounded before it is parsed, and a parse error turned
// into words. Elements are matched by their names without a prefix.
#pragma once

#include <cstddef>
#include <rapidxml/rapidxml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace rw {

using XmlNode = rapidxml::xml_node<char>;

// RapidXml descends one call per level of elements, so a file nested far
// deeper than any document this program reads could exhaust the stack.
inline constexpr std::size_t kDeepestNesting = 64;

class XmlDocument {
 public:
  // Reads the text. root() is its first element: nullptr when it holds
  // none, or when it is not XML or nests deeper than kDeepestNesting, which
  // problem() then says (empty otherwise).
  explicit XmlDocument(std::string_view xml);
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  const XmlNode* root() const { return root_; }
  const std::string& problem() const { return problem_; }

 private:
  std::vector<char> buffer_;  // RapidXml writes into it and points into it
  rapidxml::xml_document<char> document_;
  const XmlNode* root_ = nullptr;
  std::string problem_;
};

// An element's name without its namespace prefix ("task:Exec" is "Exec"),
// and the prefix alone ("" where it has none).
std::string_view local_name(const XmlNode& node);
std::string_view prefix_of(const XmlNode& node);
// The first child element of that local name; nullptr for none or no parent.
const XmlNode* child(const XmlNode* parent, std::string_view name);
// Every child element, in order.
std::vector<const XmlNode*> elements_of(const XmlNode* parent);
// The attribute's value, as written ("" where it is missing).
std::string_view attribute(const XmlNode& node, std::string_view name);
// The namespace an element's prefix stands for, from the nearest xmlns
// declaration of it on the element or above; empty where none declares it.
std::string_view namespace_of(const XmlNode& node);

}  // namespace rw
