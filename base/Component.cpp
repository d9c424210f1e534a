#include "base/Component.h"

#include <algorithm>

namespace {
void EraseOne(std::vector<TComponent*>& list, TComponent* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}
}

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    FDestroying = true;
    // Tell everyone that asked; each drops its reference to us.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseOne(other->FFreeNotifies, this);
        other->Notification(this, TOperation::opRemove);
    }
    // Owned components go last-created first.
    while (!FComponents.empty()) {
        TComponent* child = FComponents.back();
        delete child;  // its destructor removes it from FComponents
        if (!FComponents.empty() && FComponents.back() == child) FComponents.pop_back();
    }
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* component)
{
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    EraseOne(FComponents, component);
    component->FOwner = nullptr;
    Notification(component, TOperation::opRemove);
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
        component->FFreeNotifies.end())
        component->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component) return;
    EraseOne(FFreeNotifies, component);
    EraseOne(component->FFreeNotifies, this);
}

void TComponent::DropFreeNotifyLink(TComponent* component) { EraseOne(FFreeNotifies, component); }

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation != TOperation::opRemove || !component) return;
    DropFreeNotifyLink(component);
    // Copy: a handler may destroy components of ours.
    const std::vector<TComponent*> owned = FComponents;
    for (TComponent* c : owned)
        if (c != component && std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end())
            c->Notification(component, operation);
}

std::string TComponent::NamePath() const
{
    std::vector<const TComponent*> chain;
    for (const TComponent* c = this; c; c = c->FOwner) chain.push_back(c);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if ((*it)->FName.empty()) continue;
        if (!path.empty()) path += '.';
        path += (*it)->FName;
    }
    return path;
}
