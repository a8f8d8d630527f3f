#pragma once

#include <cstdint>
#include <memory>

// Window messages between the report printer, the control that shows its
// pages (its client) and the report that made them (its master). The engine
// knows no window system: it posts to and sends to TMessageReceivers through
// the installed TMessageLoop, which the platform maps onto its own event
// queue. Numbers are offsets from the platform's first user message.
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

// Something that handles messages. A receiver has a serial number for its
// lifetime; a posted message is delivered only if its receiver still lives,
// so a window destroyed with notices in the queue never sees them.
class TMessageReceiver {
 public:
  TMessageReceiver();
  virtual ~TMessageReceiver();
  TMessageReceiver(const TMessageReceiver&) = delete;
  TMessageReceiver& operator=(const TMessageReceiver&) = delete;

  virtual void HandleMessage(TMessage& message) = 0;

  std::uint64_t ReceiverId() const { return id_; }
  // The live receiver with this serial number, or null.
  static TMessageReceiver* Find(std::uint64_t id);

 private:
  std::uint64_t id_;
};

// The message queue and loop of the interface thread.
class TMessageLoop {
 public:
  virtual ~TMessageLoop() = default;
  // Queues a message for the receiver with this serial number; it is
  // dropped if the receiver is gone by the time it comes up.
  virtual void Post(std::uint64_t receiverId, const TMessage& message) = 0;
  // Runs every message that is waiting, then returns.
  virtual void ProcessMessages() = 0;
  // Waits for at least one message and handles what is waiting. A loop
  // that cannot wait (nothing can arrive) returns at once.
  virtual void HandleMessage() = 0;
  // True once the program has been asked to end; waits stop then.
  virtual bool Terminated() const = 0;
};

// A loop without a window system: a plain queue that ProcessMessages and
// HandleMessage drain. Engine tests and command-line tools use it.
class TQueueMessageLoop : public TMessageLoop {
 public:
  TQueueMessageLoop();
  ~TQueueMessageLoop() override;
  void Post(std::uint64_t receiverId, const TMessage& message) override;
  void ProcessMessages() override;
  void HandleMessage() override { ProcessMessages(); }
  bool Terminated() const override { return terminated_; }
  void SetTerminated(bool value) { terminated_ = value; }
  // Messages waiting.
  std::size_t Pending() const;

 private:
  struct TQueue;
  std::unique_ptr<TQueue> queue_;
  bool terminated_ = false;
};

// The installed loop: a TQueueMessageLoop until the platform installs its
// own. SetMessageLoop(nullptr) goes back to the built-in queue. The caller
// keeps ownership and must uninstall a loop before destroying it.
TMessageLoop& MessageLoop();
void SetMessageLoop(TMessageLoop* loop);

// Queues a message for receiver (nothing without one).
void PostMessage(TMessageReceiver* receiver, int offset, std::intptr_t wparam = 0,
                 std::intptr_t lparam = 0);
// Delivers a message at once and returns the receiver's result (0 without
// a receiver).
std::intptr_t SendMessage(TMessageReceiver* receiver, int offset, std::intptr_t wparam = 0,
                          std::intptr_t lparam = 0);
// Shorthands for the installed loop.
inline void ProcessMessages() { MessageLoop().ProcessMessages(); }
