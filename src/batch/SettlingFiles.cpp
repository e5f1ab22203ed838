#include "batch/SettlingFiles.h"

#include <algorithm>

namespace pellora {

void SettlingFiles::noteWritten(const std::filesystem::path& name, const FileIdentity& stamp, Clock::time_point now)
{
    settling_.insert_or_assign(name, Settling{stamp, now});
}

void SettlingFiles::noteModified(const std::filesystem::path& name, Clock::time_point now)
{
    // A file opened and written but not yet closed is no candidate yet: its
    // close will make it one.
    if (const auto found = settling_.find(name); found != settling_.end())
        found->second.since = now;
}

void SettlingFiles::noteHandled(const std::filesystem::path& name, const FileIdentity& stamp)
{
    handled_.insert_or_assign(name, stamp);
}

bool SettlingFiles::wasHandled(const std::filesystem::path& name, const FileIdentity& stamp) const
{
    const auto found = handled_.find(name);
    return found != handled_.end() && found->second == stamp;
}

std::vector<std::filesystem::path> SettlingFiles::takeReady(Clock::time_point now, const StampOf& stampOf)
{
    std::vector<std::filesystem::path> ready;
    for (auto file = settling_.begin(); file != settling_.end();) {
        auto& [name, settling] = *file;
        if (now - settling.since < settle_) {
            ++file;
            continue;
        }
        const auto stamp = stampOf(name);
        if (stamp && *stamp != settling.stamp) {
            // Still being written, whether or not its writer told: from the start again.
            settling = Settling{*stamp, now};
            ++file;
            continue;
        }
        if (stamp && !wasHandled(name, *stamp))
            ready.push_back(name);
        file = settling_.erase(file);
    }
    return ready;
}

std::optional<SettlingFiles::Clock::duration> SettlingFiles::untilNextCheck(Clock::time_point now) const
{
    if (settling_.empty())
        return std::nullopt;
    auto soonest = Clock::time_point::max();
    for (const auto& [name, settling] : settling_)
        soonest = std::min(soonest, settling.since + settle_);
    return std::max(Clock::duration::zero(), soonest - now);
}

} // namespace pellora
