#include "output/messages.h"

#include <deque>
#include <utility>

void TMessageLoop::Post(TMessageReceiver* receiver, int offset, std::intptr_t wparam, std::intptr_t lparam) {
  if (receiver) Enqueue(receiver->Handle(), TMessage{offset, wparam, lparam, 0});
}

struct TQueueMessageLoop::TQueue {
  std::deque<std::pair<TReceiverHandle, TMessage>> items;
};

TQueueMessageLoop::TQueueMessageLoop() : queue_(std::make_unique<TQueue>()) {}
TQueueMessageLoop::~TQueueMessageLoop() = default;

void TQueueMessageLoop::Enqueue(TReceiverHandle receiver, const TMessage& message) {
  queue_->items.emplace_back(std::move(receiver), message);
}

void TQueueMessageLoop::ProcessMessages() {
  // Only what is waiting now: a handler that posts again does not keep this
  // call running for ever.
  for (std::size_t n = queue_->items.size(); n > 0 && !queue_->items.empty(); --n) {
    auto [receiver, message] = std::move(queue_->items.front());
    queue_->items.pop_front();
    Deliver(receiver, message);
  }
}

std::size_t TQueueMessageLoop::Pending() const { return queue_->items.size(); }

std::intptr_t SendMessage(TMessageReceiver* receiver, int offset, std::intptr_t wparam, std::intptr_t lparam) {
  if (!receiver) return 0;
  TMessage message{offset, wparam, lparam, 0};
  receiver->HandleMessage(message);
  return message.result;
}
