#pragma once
// The whole course shell: the application template and every screen and flow it runs. An
// exercise derives its application class from IMApp and includes this.

#include "shell/app.h"
#include "shell/credits.h"
#include "shell/exit_menu.h"
#include "shell/information_screen.h"
#include "shell/instruction_ending.h"
#include "shell/instruction_flow.h"
#include "shell/praise.h"
#include "shell/results_printing.h"
#include "shell/results_saving.h"
#include "shell/results_screen.h"
