#pragma once

#include <cstdint>
#include <memory>

// Window messages between the report printer, the control that shows its
// pages (its client) and the report that made them (its master). The engine
// knows no window system: it posts to and sends to TMessageReceivers through
// the TMessageLoop of its context, which the platform maps onto its own
// event queue. Numbers are offsets from the platform's first user message.
inline constexpr int MsgProgressUpdate = 0;  // wparam: progress per cent
inline constexpr int MsgPageAvailable = 1;   // wparam: completed pages (low 16 bits read)
inline constexpr int MsgPrintReport = 2;     // to the master: print yourself
inline constexpr int MsgPreviewClosed = 4;   // to the master; lparam: the report printer

struct TMessage {
  int offset = 0;
  std::intptr_t wparam = 0;
  std::intptr_t lparam = 0;
  std::intptr_t result = 0;  // the answer to a sent message
};

class TMessageReceiver;

// What a queue keeps for a posted message instead of the receiver itself:
// it leads to the receiver while that lives and to nothing once it is gone,
// so a window destroyed with notices in the queue never sees them.
class TReceiverHandle {
 public:
  TReceiverHandle() = default;
  // The receiver, or null once it is gone.
  TMessageReceiver* Get() const { return alive_ ? *alive_ : nullptr; }

 private:
  friend class TMessageReceiver;
  explicit TReceiverHandle(std::shared_ptr<TMessageReceiver*> alive) : alive_(std::move(alive)) {}
  std::shared_ptr<TMessageReceiver*> alive_;
};

// Something that handles messages.
class TMessageReceiver {
 public:
  TMessageReceiver() : alive_(std::make_shared<TMessageReceiver*>(this)) {}
  virtual ~TMessageReceiver() { *alive_ = nullptr; }
  TMessageReceiver(const TMessageReceiver&) = delete;
  TMessageReceiver& operator=(const TMessageReceiver&) = delete;

  virtual void HandleMessage(TMessage& message) = 0;

  TReceiverHandle Handle() const { return TReceiverHandle(alive_); }

 private:
  std::shared_ptr<TMessageReceiver*> alive_;
};

// The message queue and loop of the interface thread.
class TMessageLoop {
 public:
  virtual ~TMessageLoop() = default;
  // Queues a message for `receiver` (nothing without one); it is dropped if
  // the receiver is gone by the time it comes up.
  void Post(TMessageReceiver* receiver, int offset, std::intptr_t wparam = 0, std::intptr_t lparam = 0);
  // Runs every message that is waiting, then returns.
  virtual void ProcessMessages() = 0;
  // Waits for at least one message and handles what is waiting. A loop
  // that cannot wait (nothing can arrive) returns at once.
  virtual void HandleMessage() = 0;
  // True once the program has been asked to end; waits stop then.
  virtual bool Terminated() const = 0;

 protected:
  // Puts a message in the queue; Deliver hands it over when it comes up.
  virtual void Enqueue(TReceiverHandle receiver, const TMessage& message) = 0;
  static void Deliver(const TReceiverHandle& receiver, TMessage& message) {
    if (TMessageReceiver* r = receiver.Get()) r->HandleMessage(message);
  }
};

// A loop without a window system: a plain queue that ProcessMessages and
// HandleMessage drain. Engine tests and command-line tools use it.
class TQueueMessageLoop : public TMessageLoop {
 public:
  TQueueMessageLoop();
  ~TQueueMessageLoop() override;
  void ProcessMessages() override;
  void HandleMessage() override { ProcessMessages(); }
  bool Terminated() const override { return terminated_; }
  void SetTerminated(bool value) { terminated_ = value; }
  // Messages waiting.
  std::size_t Pending() const;

 protected:
  void Enqueue(TReceiverHandle receiver, const TMessage& message) override;

 private:
  struct TQueue;
  std::unique_ptr<TQueue> queue_;
  bool terminated_ = false;
};

// Delivers a message at once and returns the receiver's result (0 without
// a receiver). Sending needs no queue.
std::intptr_t SendMessage(TMessageReceiver* receiver, int offset, std::intptr_t wparam = 0,
                          std::intptr_t lparam = 0);
