// Syntax tree to program.
#pragma once

#include "regex/engine/parser.h"
#include "regex/engine/program.h"

namespace vesk::regex_engine {

// `program.options` must be set before the call.
void CompileAst(const Ast& ast, Program& program);

}  // namespace vesk::regex_engine
