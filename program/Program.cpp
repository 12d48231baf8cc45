#include "program/Program.h"

Program::Program() = default;

Program::~Program() = default;
