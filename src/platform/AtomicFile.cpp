// The atomic writer over the backends' file primitives. [any]
#include "platform/AtomicFile.h"

#include "platform/Exceptions.h"
#include "platform/FileBackend.h"
#include "platform/System.h"

TAtomicFileWriter::TAtomicFileWriter(const std::string& Path) : FPath(Path), FTemporaryPath(Path + ".tmp")
{
    const auto File = Path.empty() ? std::nullopt : FileBackend::CreateFresh(FTemporaryPath, FPath);
    if (!File)
        throw EMarvoError("cannot create '" + FTemporaryPath + "'");
    FFile = *File;
    FOpen = true;
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (!FCommitted)
        Discard();
}

// Closes and removes the temporary. Never raises.
void TAtomicFileWriter::Discard() noexcept
{
    if (FOpen)
    {
        FOpen = false;
        FileBackend::Close(FFile);
        RemoveFile(FTemporaryPath);
    }
}

void TAtomicFileWriter::Write(const void* Data, std::size_t Size)
{
    if (!FOpen || FFailed)
        throw EMarvoError("cannot write '" + FPath + "'");
    if (Size > 0 && !FileBackend::WriteAll(FFile, Data, Size))
    {
        FFailed = true;
        Discard();
        throw EMarvoError("cannot write '" + FPath + "'");
    }
}

void TAtomicFileWriter::Commit()
{
    if (FCommitted)
        return;
    bool Ok = FOpen && !FFailed && FileBackend::FlushToDisk(FFile);
    if (FOpen)
    {
        FOpen = false;
        Ok = FileBackend::Close(FFile) && Ok;
    }
    Ok = Ok && RenameFileReplacing(FTemporaryPath, FPath);
    if (!Ok)
    {
        FFailed = true;
        RemoveFile(FTemporaryPath);
        throw EMarvoError("cannot replace '" + FPath + "'");
    }
    FCommitted = true;
    FileBackend::FlushFolderOf(FPath);
}

void WriteFileAtomically(const std::string& Path, const void* Data, std::size_t Size)
{
    TAtomicFileWriter Writer(Path);
    Writer.Write(Data, Size);
    Writer.Commit();
}
