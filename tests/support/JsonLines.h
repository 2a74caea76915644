// The objects of a JSON Lines text (the tool's --json output), in order.
#pragma once

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

inline std::vector<nlohmann::json> JsonLines(const std::string& text)
{
    std::istringstream lines(text);
    std::vector<nlohmann::json> objects;
    for (std::string line; std::getline(lines, line);) objects.push_back(nlohmann::json::parse(line));
    return objects;
}
