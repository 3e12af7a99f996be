#pragma once
// TSamplePlanes: the float planes that ModifySamples converts each block into, kept from block to block and
// only ever grown, so that a block allocates nothing once the planes are as large as the player's blocks.
// Used only under AdapterLock (or before the window that owns them is published).
#include <cstddef>
#include <memory>

class TSamplePlanes
{
public:
    // [any] Room for Planes planes of Frames floats each. Allocates only when more room is asked for than ever
    // before (and then a little more); false, with nothing changed, when that memory cannot be had.
    bool Reserve(std::size_t Planes, std::size_t Frames) noexcept;
    // [audio] The channel pointers of Planes consecutive planes of Frames floats, within the reserved room;
    // planes ZeroFrom.. are zero-filled, the others hold whatever the last block left.
    float** Layout(std::size_t Planes, std::size_t Frames, std::size_t ZeroFrom) noexcept;
    // [any] Floats reserved.
    std::size_t Capacity() const { return FFloats; }

private:
    std::unique_ptr<float[]> FData;
    std::size_t FFloats = 0;
    std::unique_ptr<float*[]> FPointers;
    std::size_t FPointerCount = 0;
};
