#include "WindowTestKit.h"

#include "win32/WindowThreadCalls.h"

#include <atomic>
#include <thread>

namespace pellora::test {
namespace {

using win32::WindowThreadCalls;

constexpr UINT kWake = WM_APP + 7;

// A bare window whose wake message runs what its calls were sent.
class CallWindow {
public:
    CallWindow()
    {
        static const ATOM atom = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = procedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"PelloraCallWindow";
            return RegisterClassW(&windowClass);
        }();
        window_ = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        calls_ = std::make_unique<WindowThreadCalls>(window_, kWake);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(calls_.get()));
    }
    ~CallWindow()
    {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }

    WindowThreadCalls& calls() { return *calls_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* calls = reinterpret_cast<WindowThreadCalls*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == kWake && calls != nullptr) {
            calls->runPending();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::unique_ptr<WindowThreadCalls> calls_;
};

TEST(WindowThreadCallsTest, WhatAnotherThreadSendsRunsOnTheWindowsThreadInTheOrderSent)
{
    CallWindow window;
    const DWORD windowThread = GetCurrentThreadId();
    std::vector<int> order;
    bool allOnWindowThread = true;
    std::atomic<bool> answered{false};
    bool answer = false;
    std::thread sender([&] {
        for (int i = 0; i < 200; ++i)
            window.calls().post([&, i] {
                order.push_back(i);
                allOnWindowThread = allOnWindowThread && GetCurrentThreadId() == windowThread;
            });
        answer = window.calls().call([&] { return order.size() == 200; }, false);
        answered = true;
    });
    EXPECT_TRUE(pumpUntil(nullptr, [&] { return answered.load(); }, std::chrono::seconds(10)));
    sender.join();
    EXPECT_TRUE(answer) << "a call runs after everything sent before it";
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_TRUE(allOnWindowThread);
}

TEST(WindowThreadCallsTest, OnTheWindowsOwnThreadEverythingRunsAtOnce)
{
    CallWindow window;
    int ran = 0;
    window.calls().post([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(window.calls().call([&] { return ++ran == 2; }, false));
}

// Whoever closes the calls can then wait for the other thread: a caller
// waiting, and any to come, gets its fallback, and what was sent never runs.
TEST(WindowThreadCallsTest, ClosingAnswersEveryCallerWithItsFallback)
{
    CallWindow window;
    bool ran = false;
    std::atomic<int> answers{0};
    std::thread waiting([&] {
        window.calls().post([&] { ran = true; });
        if (!window.calls().call([&] { return ran = true; }, false))
            ++answers;
        if (window.calls().call([&] { return ran = true; }, true))
            ++answers;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the thread is waiting; nothing pumps
    window.calls().close();
    waiting.join();
    pump(nullptr, std::chrono::milliseconds(50));
    EXPECT_EQ(answers.load(), 2);
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace pellora::test
