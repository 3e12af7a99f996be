// The editor's behaviour suite in the player's "Marvo" window: the real dsp_Marvo.dll, shown by the player's
// Config call, driven with the system's own mouse input; the stored value is what Quit saved to Marvo.fxp.
#ifdef MARVO_WIN32

#include <bit>

#include "AdapterTestSupport.h"
#include "support/EditorBehaviours.h"

namespace
{

// The adapter's fixture serves as the player's session: SetUp and TearDown around the driver's lifetime. A
// view other than the default is stored in the window's registry key, as a listener's earlier choice.
class TPlayerWindowEditor : public TEditorDriver, private TAdapterTest
{
public:
    explicit TPlayerWindowEditor(const TEditorView& View)
    {
        SetUp();
        if (View.Zoom != 1 || View.Response)
        {
            TRegistry Registry;
            if (Registry.OpenKey("Software\\Zentrova\\Marvo\\WinAmp", true))
            {
                Registry.WriteInteger("Zoom", View.Zoom);
                Registry.WriteInteger("Response", View.Response ? 1 : 0);
            }
        }
        Init();
        Config();
        for (int i = 0; i < 20; ++i)
        {
            Application().ProcessMessages();
            SystemSleep(10);
        }
        const TWindowProbe W = MarvoWindow();
        if (W.Visible)
            FClient = W.Client;
    }
    ~TPlayerWindowEditor() override { TearDown(); }
    void Settle() override
    {
        for (int i = 0; i < 5; ++i)
        {
            Application().ProcessMessages();
            SystemSleep(5);
        }
    }
    // Marvo.fxp holds the parameters as big-endian floats after 56 bytes.
    float StoredValue(int Index) override
    {
        Quit();
        const std::vector<std::uint8_t> Bytes = FileBytes(PlayerFile());
        const std::size_t At = 56 + 4 * static_cast<std::size_t>(Index);
        if (Bytes.size() < At + 4)
            return -1.0f;
        return std::bit_cast<float>(std::uint32_t(Bytes[At]) << 24 | std::uint32_t(Bytes[At + 1]) << 16 |
                                    std::uint32_t(Bytes[At + 2]) << 8 | Bytes[At + 3]);
    }

private:
    void TestBody() override {}
};

INSTANTIATE_EDITOR_BEHAVIOUR(PlayerWindow, [](const TEditorView& V) {
    return std::make_unique<TPlayerWindowEditor>(V);
});

} // namespace

#endif // MARVO_WIN32
