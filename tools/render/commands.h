#pragma once
// The tool's commands. Each takes the arguments after its name, returns the
// exit code on success and throws tool_error for everything it cannot do.

#include <string>
#include <vector>

int run_frame_command(const std::vector<std::string>& args);
int run_video_command(const std::vector<std::string>& args);
int run_bench_command(const std::vector<std::string>& args);
int run_play_command(const std::vector<std::string>& args);
