#pragma once

#include <cstddef>

// The PNG files of this folder as byte arrays; the build writes the
// definitions (resources_data.cpp in the build tree).
struct EmbeddedResource
{
    const char* name;
    const unsigned char* data;
    size_t size;
};

extern const EmbeddedResource theEmbeddedResources[];
extern const size_t theEmbeddedResourceCount;
