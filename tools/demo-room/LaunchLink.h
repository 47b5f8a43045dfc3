// The launch link a web page gives the client: "quorix://launch?p=" and the
// Base64 of the fields, each percent-encoded and enclosed in double quotes,
// separated by single spaces.
#pragma once

#include <string>
#include <vector>

namespace demo_room {

std::string LaunchLink(const std::vector<std::string>& fields);

// Percent-encoding of every byte but letters, digits and "-._~".
std::string PercentEncode(const std::string& text);
std::string Base64(const std::string& bytes);

}  // namespace demo_room
