#include "output/messages.h"

#include <deque>
#include <unordered_map>
#include <utility>

namespace {

std::unordered_map<std::uint64_t, TMessageReceiver*>& Receivers() {
  static std::unordered_map<std::uint64_t, TMessageReceiver*> receivers;
  return receivers;
}

std::uint64_t next_id = 1;
TMessageLoop* installed = nullptr;

}  // namespace

TMessageReceiver::TMessageReceiver() : id_(next_id++) { Receivers().emplace(id_, this); }

TMessageReceiver::~TMessageReceiver() { Receivers().erase(id_); }

TMessageReceiver* TMessageReceiver::Find(std::uint64_t id) {
  auto it = Receivers().find(id);
  return it == Receivers().end() ? nullptr : it->second;
}

struct TQueueMessageLoop::TQueue {
  std::deque<std::pair<std::uint64_t, TMessage>> items;
};

TQueueMessageLoop::TQueueMessageLoop() : queue_(std::make_unique<TQueue>()) {}
TQueueMessageLoop::~TQueueMessageLoop() = default;

void TQueueMessageLoop::Post(std::uint64_t receiverId, const TMessage& message) {
  queue_->items.emplace_back(receiverId, message);
}

void TQueueMessageLoop::ProcessMessages() {
  // Only what is waiting now: a handler that posts again does not keep this
  // call running for ever.
  for (std::size_t n = queue_->items.size(); n > 0 && !queue_->items.empty(); --n) {
    auto [id, message] = queue_->items.front();
    queue_->items.pop_front();
    if (TMessageReceiver* r = TMessageReceiver::Find(id)) r->HandleMessage(message);
  }
}

std::size_t TQueueMessageLoop::Pending() const { return queue_->items.size(); }

TMessageLoop& MessageLoop() {
  static TQueueMessageLoop builtin;
  return installed ? *installed : builtin;
}

void SetMessageLoop(TMessageLoop* loop) { installed = loop; }

void PostMessage(TMessageReceiver* receiver, int offset, std::intptr_t wparam,
                 std::intptr_t lparam) {
  if (!receiver) return;
  MessageLoop().Post(receiver->ReceiverId(), TMessage{offset, wparam, lparam, 0});
}

std::intptr_t SendMessage(TMessageReceiver* receiver, int offset, std::intptr_t wparam,
                          std::intptr_t lparam) {
  if (!receiver) return 0;
  TMessage message{offset, wparam, lparam, 0};
  receiver->HandleMessage(message);
  return message.result;
}
