#pragma once
// The base of the kit's components and the notify event they fire. A
// component has an owner (the form that holds it); events are bound
// handlers taking the sender, and count as assigned when not empty.
#include <functional>

namespace sandloop {

class TComponent {
 public:
  explicit TComponent(TComponent* owner) : owner_(owner) {}
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  [[nodiscard]] TComponent* Owner() const { return owner_; }

 private:
  TComponent* owner_;
};

using TNotifyEvent = std::function<void(TComponent* Sender)>;

}  // namespace sandloop
