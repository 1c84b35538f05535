#pragma once
// Walks over the workbook's elements in document order. A walk of our own: the library's live
// element lists walk the whole subtree again on every length query, which makes a loop over
// them quadratic in a workbook of many pupils.

#include <xercesc/dom/DOM.hpp>

namespace dom_walk {

// The next node after `node` in document order that lies below `top`, or null.
inline XERCES_CPP_NAMESPACE::DOMNode* NextBelow(XERCES_CPP_NAMESPACE::DOMNode* node,
                                               const XERCES_CPP_NAMESPACE::DOMNode* top) {
  if (XERCES_CPP_NAMESPACE::DOMNode* child = node->getFirstChild()) return child;
  for (; node != nullptr && node != top; node = node->getParentNode()) {
    if (XERCES_CPP_NAMESPACE::DOMNode* sibling = node->getNextSibling()) return sibling;
  }
  return nullptr;
}

// Calls `visit` for each element named `name` below `top`, in document order, while it returns
// true; false when a visit stopped the walk.
template <typename Visit>
bool EachElementBelow(XERCES_CPP_NAMESPACE::DOMElement* top, const XMLCh* name, Visit visit) {
  using namespace XERCES_CPP_NAMESPACE;
  for (DOMNode* node = NextBelow(top, top); node != nullptr; node = NextBelow(node, top)) {
    if (node->getNodeType() != DOMNode::ELEMENT_NODE) continue;
    auto* element = static_cast<DOMElement*>(node);
    if (XMLString::equals(element->getTagName(), name) && !visit(element)) return false;
  }
  return true;
}

// The first element named `name` below `top` that `accept` takes, or null.
template <typename Accept>
XERCES_CPP_NAMESPACE::DOMElement* FindElementBelow(XERCES_CPP_NAMESPACE::DOMElement* top, const XMLCh* name,
                                                  Accept accept) {
  XERCES_CPP_NAMESPACE::DOMElement* found = nullptr;
  EachElementBelow(top, name, [&](XERCES_CPP_NAMESPACE::DOMElement* element) {
    if (!accept(element)) return true;
    found = element;
    return false;
  });
  return found;
}

inline XERCES_CPP_NAMESPACE::DOMElement* FirstElementBelow(XERCES_CPP_NAMESPACE::DOMElement* top,
                                                          const XMLCh* name) {
  return FindElementBelow(top, name, [](const XERCES_CPP_NAMESPACE::DOMElement*) { return true; });
}

}  // namespace dom_walk
