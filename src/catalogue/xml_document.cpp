#include "catalogue/xml_document.h"

#include <algorithm>

namespace rw {

namespace {

std::size_t past(std::string_view text, std::size_t from, std::string_view end) {
  const std::size_t found = text.find(end, from);
  return found == std::string_view::npos ? text.size() : found + end.size();
}

// The end of the tag that starts at `from`: its ">", skipping quoted
// attribute values, which may hold one.
std::size_t tag_end(std::string_view text, std::size_t from) {
  char quote = 0;
  for (std::size_t at = from; at < text.size(); ++at) {
    const char sign = text[at];
    if (quote != 0) {
      if (sign == quote) quote = 0;
    } else if (sign == '"' || sign == '\'') {
      quote = sign;
    } else if (sign == '>') {
      return at;
    }
  }
  return text.size();
}

// How deep elements nest, counted from the tags alone; comments, CDATA,
// declarations and processing instructions are skipped whole.
std::size_t deepest_nesting(std::string_view text) {
  std::size_t depth = 0, deepest = 0;
  for (std::size_t at = text.find('<'); at < text.size(); at = text.find('<', at)) {
    const std::string_view tag = text.substr(at);
    if (tag.starts_with("<!--")) {
      at = past(text, at, "-->");
    } else if (tag.starts_with("<![CDATA[")) {
      at = past(text, at, "]]>");
    } else if (tag.starts_with("<?") || tag.starts_with("<!")) {
      at = past(text, at, ">");
    } else if (tag.starts_with("</")) {
      depth -= depth > 0 ? 1 : 0;
      at += 2;
    } else {
      const std::size_t end = tag_end(text, at + 1);
      if (end < text.size() && text[end - 1] != '/') deepest = std::max(deepest, ++depth);
      at = end;
    }
  }
  return deepest;
}

}  // namespace

XmlDocument::XmlDocument(std::string_view xml) {
  if (deepest_nesting(xml) > kDeepestNesting) {
    problem_ = "elements nested more than " + std::to_string(kDeepestNesting) + " deep";
    return;
  }
  buffer_.assign(xml.begin(), xml.end());
  buffer_.push_back('\0');  // RapidXml reads up to a NUL
  try {
    document_.parse<rapidxml::parse_default>(buffer_.data());
  } catch (const rapidxml::parse_error& error) {
    const auto offset = static_cast<std::size_t>(error.where<char>() - buffer_.data());
    problem_ = "not XML: " + std::string(error.what()) + " at byte " + std::to_string(offset);
    return;
  }
  root_ = document_.first_node();
  while (root_ != nullptr && root_->type() != rapidxml::node_element) {
    root_ = root_->next_sibling();
  }
}

std::string_view local_name(const XmlNode& node) {
  const std::string_view name(node.name(), node.name_size());
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view prefix_of(const XmlNode& node) {
  const std::string_view name(node.name(), node.name_size());
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

const XmlNode* child(const XmlNode* parent, std::string_view name) {
  if (parent == nullptr) return nullptr;
  for (const XmlNode* node = parent->first_node(); node != nullptr; node = node->next_sibling()) {
    if (node->type() == rapidxml::node_element && local_name(*node) == name) return node;
  }
  return nullptr;
}

std::vector<const XmlNode*> elements_of(const XmlNode* parent) {
  std::vector<const XmlNode*> elements;
  if (parent == nullptr) return elements;
  for (const XmlNode* node = parent->first_node(); node != nullptr; node = node->next_sibling()) {
    if (node->type() == rapidxml::node_element) elements.push_back(node);
  }
  return elements;
}

std::string_view attribute(const XmlNode& node, std::string_view name) {
  for (const auto* found = node.first_attribute(); found != nullptr;
       found = found->next_attribute()) {
    if (std::string_view(found->name(), found->name_size()) == name) {
      return std::string_view(found->value(), found->value_size());
    }
  }
  return {};
}

std::string_view namespace_of(const XmlNode& node) {
  const std::string_view prefix = prefix_of(node);
  const std::string declaration = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
  for (const XmlNode* at = &node; at != nullptr && at->type() == rapidxml::node_element;
       at = at->parent()) {
    for (const auto* found = at->first_attribute(); found != nullptr;
         found = found->next_attribute()) {
      if (std::string_view(found->name(), found->name_size()) == declaration) {
        return std::string_view(found->value(), found->value_size());
      }
    }
  }
  return {};
}

}  // namespace rw
