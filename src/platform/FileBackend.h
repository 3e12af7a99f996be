#pragma once
// Internal to the platform layer: the file primitives that each backend gives the common atomic writer.
// [any]
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace FileBackend
{

// An open file: a HANDLE on Win32, a descriptor on the headless backend.
using TFile = std::intptr_t;

// Creates Path anew for writing, first deleting a file (not a folder) of that name. The new file takes the
// permission bits of ModelPath when that file exists (headless). Nothing when it cannot be created.
std::optional<TFile> CreateFresh(const std::string& Path, const std::string& ModelPath);
// Writes all Size bytes; false on a short or failed write.
bool WriteAll(TFile File, const void* Data, std::size_t Size);
// Flushes the file's data to the disk.
bool FlushToDisk(TFile File);
bool Close(TFile File);
// Makes a rename inside Path's folder durable (fsync of the folder; nothing on Win32, where the rename
// writes through).
void FlushFolderOf(const std::string& Path);

} // namespace FileBackend
