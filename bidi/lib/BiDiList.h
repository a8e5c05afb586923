// The readers' singly linked lists: linking, freeing and owning them. Who
// allocates and frees their records: common/owned.h.
#pragma once

#include "bidi/lib/BiDiStatus.h"
#include "common/owned.h"

namespace tvx::bidi {

// Links `node` in front of the list at *head.
template <typename Node>
void pushFront(Node** head, Node* node) {
  node->next = *head;
  *head = node;
}

// Unlinks every record of the list at *head and hands it to `release`;
// *head is null afterwards.
template <typename Node, typename Release>
void releaseList(Node** head, Release release) {
  while (*head != nullptr) {
    Node* node = *head;
    *head = node->next;
    release(node);
  }
}

// Owns a list and frees it with the reader's clear function.
template <typename Node, TE_BiDiStatus (*Clear)(Node**)>
using OwnedList = tvx::Owned<Node, Clear>;

}  // namespace tvx::bidi
