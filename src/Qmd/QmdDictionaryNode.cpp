#include "Qmd/QmdDictionaryNode.h"

#include <atomic>

namespace {
// Models live on several threads (a paste builds a short-lived one), so the
// counter is shared and atomic. 0 stays free for "no holder".
std::atomic<quint64> nextSerial{1};
} // namespace

QmdDictionaryNode::QmdDictionaryNode(int type_, const QmdIndex &location_, QmdMemModel *owner_)
    : type(type_), location(location_), owner(owner_),
      serial(nextSerial.fetch_add(1, std::memory_order_relaxed))
{
}

QmdDictionaryNode::~QmdDictionaryNode() = default;
