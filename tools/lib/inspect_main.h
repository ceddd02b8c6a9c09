// tolma-inspect as a function: a command stream file in, its listing, summary, errors and panels out.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tolma::tools {

// Largest stream the inspector reads.
inline constexpr size_t kMaxInspectedStream = size_t{256} << 20;

// Runs tolma-inspect with the arguments after the program name; the report goes to `out`, messages to
// `err`, and "-" reads the stream from `in`. Returns the exit status: 0 a sound stream, 1 structural errors
// or a file that cannot be read or written, 2 a bad command line.
int InspectMain(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace tolma::tools
