// Ownership of components. Every function here runs on the owner's thread ([host-main] or [editor]).
#include "platform/Component.h"

#include <algorithm>
#include <cctype>

namespace
{

bool SameTextASCII(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return std::tolower(static_cast<unsigned char>(X)) == std::tolower(static_cast<unsigned char>(Y));
           });
}

} // namespace

// [host-main] or [editor]
TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner)
{
    if (FOwner)
        FOwner->InsertComponent(this);
}

// [host-main] or [editor]
TComponent::~TComponent()
{
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

// [host-main] or [editor]
void TComponent::DestroyComponents()
{
    // Each owned component removes itself from FComponents in its destructor.
    while (!FComponents.empty())
        delete FComponents.back();
}

// [host-main] or [editor]
TComponent* TComponent::FindComponent(const std::string& AName) const
{
    if (AName.empty())
        return nullptr;
    for (TComponent* C : FComponents)
        if (SameTextASCII(C->Name(), AName))
            return C;
    return nullptr;
}

// [host-main] or [editor]
void TComponent::InsertComponent(TComponent* C)
{
    FComponents.push_back(C);
}

// [host-main] or [editor]
void TComponent::RemoveComponent(TComponent* C)
{
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), C), FComponents.end());
}
