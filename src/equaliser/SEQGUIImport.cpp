// TFmVornEQ: "Import EQ preset…" — the fit runs on a thread of the editor's own while the panel shows its
// progress; the result is applied on the editor's thread. [editor] unless a function says otherwise.
#include <algorithm>
#include <cmath>

#include "equaliser/SEQGUI.h"
#include "equaliser/SEQPresetImportJob.h"
#include "platform/System.h"

namespace
{

constexpr const char* kImportTitle = "Import EQ preset";
constexpr const char* kImportFilter = "EQ presets (*.txt;*.eqf;*.q1)|*.txt;*.eqf;*.q1|All files (*.*)|*.*|";
constexpr const char* kImportFailed = "The EQ preset cannot be imported.\n";
constexpr const char* kImportRemarks = "The EQ preset was imported. Please note:\n";
constexpr std::uint16_t kEscape = 0x1B;

// Where the progress shows: a panel over the four read-outs, and a bar in the overview strip's row.
constexpr TRect kProgressPanel = {16, 1, 125, 30};
constexpr TPanelColours kProgressColours = {0xEFFFFFFF, 0x3F000000};
constexpr TColor32 kProgressBar = 0xFF2060C0;

} // namespace

TPresetImportJob::TPresetImportJob(const std::string& Path)
{
    FThread = std::thread([this, Path] {
        TImportOptions Options;
        Options.OnProgress = [this](double Done) { FProgress.store(Done, std::memory_order_relaxed); };
        Options.Cancelled = [this] { return FCancel.load(std::memory_order_relaxed); };
        try
        {
            FResult = ImportPresetFile(Path, Options);
        }
        catch (...)
        {
            FResult = TImportResult{};
            FResult.Error = Path + ": the preset cannot be imported";
        }
        FDone.store(true, std::memory_order_release);
    });
}

TPresetImportJob::~TPresetImportJob()
{
    FCancel.store(true, std::memory_order_relaxed);
    if (FThread.joinable())
        FThread.join();
}

TImportResult TPresetImportJob::TakeResult()
{
    if (FThread.joinable())
        FThread.join();
    return std::move(FResult);
}

void TFmVornEQ::MIImportPresetClick(TComponent* /*Sender*/)
{
    if (!FModule || FImport)
        return;
    if (const std::optional<std::string> Path = OpenFileDialog(kImportTitle, "", kImportFilter))
        StartImport(*Path);
}

bool TFmVornEQ::StartImport(const std::string& Path)
{
    if (!FModule || FImport)
        return false;
    try
    {
        FImport = std::make_unique<TPresetImportJob>(Path);
    }
    catch (const std::exception& E)
    {
        ShowMessageBox(kImportFailed + std::string(E.what()));
        return false;
    }
    Invalidate();
    return true;
}

double TFmVornEQ::ImportProgress() const
{
    return FImport ? FImport->Progress() : 0.0;
}

void TFmVornEQ::CancelImport()
{
    if (!FImport)
        return;
    FImport.reset();
    Invalidate();
}

void TFmVornEQ::FormKeyDown(TComponent* /*Sender*/, std::uint16_t& Key, TShiftState /*Shift*/)
{
    if (Key != kEscape || !FImport)
        return;
    CancelImport();
    Key = 0;
}

void TFmVornEQ::UpdateTimerTimer(TComponent* /*Sender*/)
{
    if (!FModule)
        return;
    if (const unsigned Parts = FModule->TakePendingViewParts())
    {
        DrawParts(Parts);
        Invalidate();
    }
    if (FSpectrumTap)
    {
        const auto Now = std::chrono::steady_clock::now();
        if (ShowSpectrum(std::chrono::duration<double>(Now - FSpectrumTick).count()))
            FSpectrumTick = Now;
    }
    if (!FImport)
        return;
    if (FImport->Done())
        FinishImport();
    else
        Invalidate(); // the progress moves on
}

void TFmVornEQ::FinishImport()
{
    const TImportResult Imported = FImport->TakeResult();
    FImport.reset();
    Invalidate();
    if (Imported.Cancelled)
        return;
    if (!Imported.Ok)
    {
        ShowMessageBox(kImportFailed + Imported.Error);
        return;
    }
    for (int Index = 0; Index < static_cast<int>(Imported.Parameters.size()); ++Index)
        Write(Index, Imported.Parameters[static_cast<std::size_t>(Index)]);
    DrawOverview();
    Invalidate();
    if (Imported.Warnings.empty())
        return;
    std::string Text = kImportRemarks;
    for (const std::string& Warning : Imported.Warnings)
        Text += "\n" + Warning;
    // Last: the box may be modal, and the host may close the editor while it is up.
    ShowMessageBox(Text);
}

void TFmVornEQ::DrawImportProgress(TBitmap32& Bitmap) const
{
    if (Bitmap.Empty())
        return;
    const double Done = std::clamp(ImportProgress(), 0.0, 1.0);
    DrawPanel(Bitmap, kProgressPanel, kProgressColours);
    Bitmap.SetFontSize(8);
    const auto Centred = [&](const std::string& Text, int Top) {
        Bitmap.RenderText((kProgressPanel.Left + kProgressPanel.Right - Bitmap.TextWidth(Text)) / 2, Top, Text, 0xFF000000);
    };
    Centred("Importing " + std::to_string(static_cast<int>(std::floor(Done * 100.0))) + " %", FGainRect.Top - 15);
    Centred("Esc cancels", FGainRect.Top);
    const TRect& R = FOverviewRect;
    Bitmap.CopyRect(FBackgroundBitmap, R);
    const int Columns = R.Width() - 2;
    const int Filled = static_cast<int>(std::lround(Done * Columns));
    for (int i = 0; i < Filled; ++i)
        Bitmap.SetPixelS(R.Left + 1 + i, R.Top + 1, kProgressBar);
}
