#pragma once

namespace vosk::cli {

// voskbase-cli db ...: argv[1] is "db". The exit status.
int dbCommand(int argc, char **argv);

} // namespace vosk::cli
