#pragma once
// TPresetImportJob: one preset import (read and fit) on a thread of its own, so that the editor's window goes
// on while it runs. The editor owns the job on its thread ([editor]); the job's thread only reads the file,
// fits, and publishes its progress and, once, its result.
#include <atomic>
#include <string>
#include <thread>

#include "presets/PresetImport.h"

class TPresetImportJob
{
public:
    // [editor] Starts the import of Path; std::system_error when no thread can be had.
    explicit TPresetImportJob(const std::string& Path);
    // [editor] Asks the fit to stop and joins the thread (a fit stops at its next step).
    ~TPresetImportJob();
    TPresetImportJob(const TPresetImportJob&) = delete;
    TPresetImportJob& operator=(const TPresetImportJob&) = delete;

    // [any] The share of the work done, 0..1.
    double Progress() const { return FProgress.load(std::memory_order_relaxed); }
    // [any] Whether the result is there (the thread has nothing left to do but end).
    bool Done() const { return FDone.load(std::memory_order_acquire); }
    // [editor] After Done: joins the thread and hands the result over.
    TImportResult TakeResult();

private:
    std::atomic<double> FProgress{0.0};
    std::atomic<bool> FCancel{false};
    std::atomic<bool> FDone{false};
    TImportResult FResult; // written by the thread before FDone, read after it
    std::thread FThread;
};
