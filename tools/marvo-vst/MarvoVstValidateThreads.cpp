// marvo-vst validate: parameters written from two threads while a third processes.
#include <atomic>
#include <thread>

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

struct TWriter
{
    std::int32_t Index = -1;
    std::vector<float> Values;
    std::vector<std::uint32_t> Expect;
};

// Two parameters that leave each other alone, each with the values it reads back distinctly (eight at
// most), written in turn: a lost write then shows unless that many writes in a row are lost. Fewer when
// the plug-in has no two such parameters.
std::vector<TWriter> ChooseWriters(TVstPlugIn& P)
{
    std::vector<TWriter> Writers;
    for (std::int32_t I = 0; I < P.numParams() && Writers.size() < 2; ++I)
    {
        TWriter W;
        W.Index = I;
        for (int K = 1; K <= 8; ++K)
        {
            const float Value = static_cast<float>(K) / 8.0f;
            P.SetParameter(I, Value);
            const std::uint32_t Read = Bits(P.GetParameter(I));
            if (std::find(W.Expect.begin(), W.Expect.end(), Read) == W.Expect.end())
            {
                W.Values.push_back(Value);
                W.Expect.push_back(Read);
            }
        }
        if (W.Values.size() < 2)
            continue;
        if (!Writers.empty())
        {
            const TWriter& Other = Writers.front();
            P.SetParameter(Other.Index, Other.Values[0]);
            P.SetParameter(I, W.Values[1]);
            const bool OtherKept = Bits(P.GetParameter(Other.Index)) == Other.Expect[0];
            P.SetParameter(Other.Index, Other.Values[1]);
            if (!OtherKept || Bits(P.GetParameter(I)) != W.Expect[1])
                continue;
        }
        Writers.push_back(W);
    }
    return Writers;
}

} // namespace

void CheckThreads(TValidation& V)
{
    TSession S(V.Path());
    TVstPlugIn& P = *S.P;
    V.Step("threads", "choosing two parameters");
    const std::vector<TWriter> Writers = ChooseWriters(P);
    if (Writers.size() < 2)
    {
        V.Skip("threads", "fewer than two independent parameters to write");
        return;
    }

    const int Writes = V.Level() >= 5 ? 100000 : 20000;
    TAudio A(S, 512);
    A.Resume(44100, 512);
    std::atomic<int> Started{0};
    std::atomic<bool> Writing{true};
    std::atomic<int> Lost[2] = {0, 0};
    // [any] One of the two writer threads.
    auto Writer = [&](int K) {
        const TWriter& W = Writers[static_cast<std::size_t>(K)];
        ++Started;
        while (Started.load() < 3)
        {
        }
        for (int N = 0; N < Writes; ++N)
        {
            const std::size_t Which = static_cast<std::size_t>(N) % W.Values.size();
            P.SetParameter(W.Index, W.Values[Which]);
            if (Bits(P.GetParameter(W.Index)) != W.Expect[Which])
                ++Lost[K];
        }
    };
    V.Step("threads", "two writer threads and a processing thread");
    std::thread Processing([&] { // [audio]
        ++Started;
        while (Writing.load())
            A.Run(512, 512, true);
    });
    std::thread First(Writer, 0), Second(Writer, 1);
    First.join();
    Second.join();
    Writing = false;
    Processing.join();
    TFailures F;
    for (int K = 0; K < 2; ++K)
        if (Lost[K])
            F.Add("parameter " + std::to_string(Writers[static_cast<std::size_t>(K)].Index) + " lost " +
                  std::to_string(Lost[K].load()) + " of " + std::to_string(Writes) + " writes");
    V.Check("threads", F.Text());
}

} // namespace MarvoVstValidate
