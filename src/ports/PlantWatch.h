#pragma once

#include <cstdint>
#include <string>

namespace pelorin {

// Tells additions beyond the control's own screens (a value history, a journal of writes) what the
// operator's session sees arrive and what it writes. The control calls it on its own thread and never
// waits for it; a watcher must return quickly, since values arrive by the hundred thousand a second.
class PlantWatch {
public:
    virtual ~PlantWatch() = default;
    // A login was accepted: `visa` as typed, `server` as the host gave it ("host:port").
    virtual void LoggedIn(const std::string& visa, const std::string& server) = 0;
    // The session ended, by the operator or by the link.
    virtual void LoggedOut() = 0;
    virtual void PictureShown(int32_t picture) = 0;
    // A value for the shown picture as received. `address` is its element's address, or for a
    // parameter of the open setpoint block that block's address with ".PARn" (n from 1).
    virtual void ValueArrived(int32_t pointer, const std::string& address, const std::string& text) = 0;
    // A write went out on the link: `text` is what was sent for `pointer`, named as for values.
    virtual void WriteSent(int32_t pointer, const std::string& address, const std::string& text) = 0;
};

} // namespace pelorin
