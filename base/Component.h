#pragma once
// The component model: every component may have an owner, which destroys it
// (last-created first) when it is destroyed itself, and a name. A component can
// ask another to tell it when that one goes away (FreeNotification); the notice
// arrives through the virtual Notification, so that no reference outlives the
// object it points at.

#include <cstdint>
#include <string>
#include <vector>

enum class TOperation : std::uint8_t { opInsert = 0, opRemove = 1 };

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }
    TComponent* Owner() const { return FOwner; }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }

    // `component` is told (Notification with opRemove) when this one is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // The names of this component and of its owners, outermost first, joined by
    // "."; components without a name are skipped.
    std::string NamePath() const;

    bool Destroying() const { return FDestroying; }

protected:
    // Called when a component this one asked about, or one owned by the same
    // owner, is inserted or removed. The base passes removal notices on to the
    // owned components.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DropFreeNotifyLink(TComponent* component);

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    bool FDestroying = false;
};
