// BenchDocument: generated XML documents of a given size, many elements with attributes and some GBK text.
#pragma once

#include <cstddef>
#include <string>

// A well-formed document of at least nBytes bytes; the same size always gives the same text.
std::string MakeBenchDocument(size_t nBytes);
