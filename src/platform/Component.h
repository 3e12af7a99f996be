#pragma once
// Ownership without windows: a component owns the components created with it as owner and frees them when it
// is freed. The plug-in framework's modules are components; forms and controls (Forms.h) are too.
//
// A component and its owner are used on one thread at a time: the owner's ([host-main] for a module, [editor]
// for a form and its controls).
#include <functional>
#include <string>
#include <vector>

class TComponent;

using TNotifyEvent = std::function<void(TComponent* Sender)>;

class TComponent
{
public:
    explicit TComponent(TComponent* AOwner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    TComponent* Owner() const { return FOwner; }
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }

    // The owned component of that name (case-insensitive), or null.
    TComponent* FindComponent(const std::string& AName) const;
    const std::vector<TComponent*>& Components() const { return FComponents; }

protected:
    // Frees every owned component, last created first. Destructors of derived classes call it early so that
    // owned components go while the owner is still whole.
    void DestroyComponents();

private:
    void InsertComponent(TComponent* C);
    void RemoveComponent(TComponent* C);
    std::string FName;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    int FTag = 0;
};
