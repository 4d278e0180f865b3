// The product record: shown by the about window and written into command projects.
#pragma once

#include <string>

struct ProductInfo {
    std::string product;
    std::string type_number;
    std::string version;
};

inline ProductInfo benchlink_product() {
    return {"Benchlink", "HV-ZQ70", "V5.0.7"};
}
