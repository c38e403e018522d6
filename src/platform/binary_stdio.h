// Standard input and output as bytes: a program that speaks a framed
// protocol over them (the language server) must get and send exactly the
// bytes, with no CR LF translation of the Windows runtime.
#pragma once

namespace compila::platform {

// Switches standard input and output to binary mode; a no-op where they
// always are.
void use_binary_standard_streams();

}  // namespace compila::platform
