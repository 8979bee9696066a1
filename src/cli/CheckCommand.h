#pragma once

#include "cli/Command.h"

// glossa check and glossa stats: the engine's report of a product directory.
namespace Glossa::Cli {

Subcommand checkSubcommand();
Subcommand statsSubcommand();

} // namespace Glossa::Cli
