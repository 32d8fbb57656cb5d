// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

// The program's messages to standard error, through C's stderr (line-buffered
// where prepareStandardStreams sets it so), as std::cerr would write them.
// Made on the first call: a C++ stream's set-up, std::cerr's included, touches
// about half a megabyte of the C++ library, which a window that writes nothing
// to standard error need not pay at every start.
std::ostream& standardError();
