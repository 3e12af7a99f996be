#pragma once
// Writing a file in one step: readers and a crash see either the old content or the whole new content.
#include <cstddef>
#include <cstdint>
#include <string>

// Writes a file so that a crash, a full disk or a failed write never leaves a truncated or mixed file in place
// of the old one: the bytes go to a temporary file in the same folder (Path + ".tmp"), are flushed to the disk
// (FlushFileBuffers / fsync), and the temporary replaces Path in one step at Commit. A stale temporary left by
// an earlier crash is overwritten. One writer per Path at a time. [any]
class TAtomicFileWriter
{
public:
    // Creates the temporary; raises EMarvoError "cannot create '<temporary>'".
    explicit TAtomicFileWriter(const std::string& Path);
    // Without a successful Commit: removes the temporary; Path untouched. Never raises.
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Appends to the temporary; raises EMarvoError "cannot write '<path>'" on a short or failed write (and
    // after Commit). A failed write removes the temporary: the writer is spent.
    void Write(const void* Data, std::size_t Size);
    // Flushes, closes and replaces Path with the temporary; raises EMarvoError "cannot replace '<path>'" (the
    // temporary removed, Path untouched), also after a failed Write. A second Commit does nothing.
    void Commit();
    const std::string& Path() const { return FPath; }
    const std::string& TemporaryPath() const { return FTemporaryPath; }

private:
    void Discard() noexcept;
    std::string FPath;
    std::string FTemporaryPath;
    std::intptr_t FFile = 0; // the backend's open temporary (a HANDLE or a descriptor) while FOpen
    bool FOpen = false;
    bool FFailed = false;
    bool FCommitted = false;
};

// One call: the writer above over Data (raises as the writer does). [any]
void WriteFileAtomically(const std::string& Path, const void* Data, std::size_t Size);
