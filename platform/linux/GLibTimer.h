// A repeating timer on a GLib main context that keeps one source for its whole life.
#pragma once

#include <glib.h>

#include <cstdint>
#include <functional>
#include <utility>

namespace tallyvolt {

// Starting and stopping move the source's ready time: a timeout source would instead be made,
// attached, and destroyed again on every restart, which the sampling timer does once a sample.
// Like a GLib timeout, it fires on the context's thread, first `milliseconds` after Start and
// then every `milliseconds` after each firing began, until stopped.
class GLibTimer
{
public:
    // `context` is GLib's global default main context when null, where wx runs its own timers.
    explicit GLibTimer(std::function<void()> onFire, GMainContext* context = nullptr)
        : m_onFire(std::move(onFire)), m_source(g_source_new(&kFuncs, sizeof(Source)))
    {
        reinterpret_cast<Source*>(m_source)->timer = this;
        g_source_set_priority(m_source, G_PRIORITY_DEFAULT);
        g_source_set_ready_time(m_source, -1);
        g_source_attach(m_source, context);
    }
    ~GLibTimer()
    {
        g_source_destroy(m_source);
        g_source_unref(m_source);
    }
    GLibTimer(const GLibTimer&) = delete;
    GLibTimer& operator=(const GLibTimer&) = delete;

    // Fires every `milliseconds` from now on, restarting the count if it ran.
    void Start(std::uint32_t milliseconds)
    {
        m_periodUs = static_cast<gint64>(milliseconds) * 1000;
        g_source_set_ready_time(m_source, g_get_monotonic_time() + m_periodUs);
    }
    void Stop() { g_source_set_ready_time(m_source, -1); }
    bool IsRunning() const { return g_source_get_ready_time(m_source) >= 0; }

private:
    struct Source
    {
        GSource base;
        GLibTimer* timer;
    };

    static gboolean Dispatch(GSource* source, GSourceFunc, gpointer)
    {
        GLibTimer& timer = *reinterpret_cast<Source*>(source)->timer;
        // The next firing counts from this one, as a timeout's does; the handler may stop or
        // restart the timer.
        g_source_set_ready_time(source, g_source_get_time(source) + timer.m_periodUs);
        timer.m_onFire();
        return G_SOURCE_CONTINUE;
    }

    static inline GSourceFuncs kFuncs = {nullptr, nullptr, &GLibTimer::Dispatch,
                                         nullptr, nullptr, nullptr};

    std::function<void()> m_onFire;
    GSource* m_source;
    gint64 m_periodUs = 0;
};

} // namespace tallyvolt
