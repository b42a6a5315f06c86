#pragma once

#include "ports/PlantWatch.h"

#include <vector>

namespace pelorin::host {

// The control tells one watch; this one passes everything on to each watcher added, in that order.
class WatchFanOut : public PlantWatch {
public:
    void Add(PlantWatch& watcher) { m_Watchers.push_back(&watcher); }

    void LoggedIn(const std::string& visa, const std::string& server) override {
        for (PlantWatch* watcher : m_Watchers)
            watcher->LoggedIn(visa, server);
    }
    void LoggedOut() override {
        for (PlantWatch* watcher : m_Watchers)
            watcher->LoggedOut();
    }
    void PictureShown(int32_t picture) override {
        for (PlantWatch* watcher : m_Watchers)
            watcher->PictureShown(picture);
    }
    void ValueArrived(int32_t pointer, const std::string& address, const std::string& text) override {
        for (PlantWatch* watcher : m_Watchers)
            watcher->ValueArrived(pointer, address, text);
    }
    void WriteSent(int32_t pointer, const std::string& address, const std::string& text) override {
        for (PlantWatch* watcher : m_Watchers)
            watcher->WriteSent(pointer, address, text);
    }

private:
    std::vector<PlantWatch*> m_Watchers;
};

} // namespace pelorin::host
