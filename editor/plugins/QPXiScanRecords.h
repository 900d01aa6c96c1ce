#pragma once

#include <QString>

#include <string>
#include <vector>

// One parameter of a scanned instrument, as the finder reported it; plain value used on the scan thread.
struct SQPXiParameterInfo
{
    QString id;
    std::string name;
    std::vector<std::string> groups;
};

// One instrument found by the scan; plain value filled on the scan thread and read by the merge.
struct SQPXiInfo
{
    std::string name;
    std::string path;
    bool isQPX2 = false;
    std::vector<SQPXiParameterInfo> parameters;
};
