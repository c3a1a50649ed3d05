#pragma once

#include <fstream>
#include <sstream>
#include <string>

// A camera's reply kept in replies/ (VEXLO_ONVIF_REPLIES_DIR), whole.
namespace vexlo::onvif::test {

inline std::string keptReply(const std::string& name)
{
    std::ifstream in(std::string(VEXLO_ONVIF_REPLIES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace vexlo::onvif::test
