# Compares the output of this build's stochvar-fingerprint with the default build's. Run as
#   cmake -DPROGRAM=<this build's program> -DREFERENCE=<default build's program> -P CompareFingerprints.cmake
# Skips (printing "SKIPPED:") when the default build has no program; fails when the outputs
# differ, the fingerprint line or any diagnostic line before it.

cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${REFERENCE}")
    message("SKIPPED: no default build to compare with (${REFERENCE} does not exist); "
            "build the default preset first, as `make test` does")
    return()
endif()

function(run_fingerprint program out_var)
    # A deadline: the test owns the program (it starts nothing of its own).
    execute_process(COMMAND "${program}" OUTPUT_VARIABLE output RESULT_VARIABLE result
                    TIMEOUT 300)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${program} failed: ${result}")
    endif()
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

function(last_line text out_var)
    string(STRIP "${text}" text)
    string(REGEX REPLACE ".*\n" "" line "${text}")
    set(${out_var} "${line}" PARENT_SCOPE)
endfunction()

run_fingerprint("${PROGRAM}" this_output)
run_fingerprint("${REFERENCE}" default_output)
last_line("${this_output}" this_line)
last_line("${default_output}" default_line)
if(NOT this_output STREQUAL default_output)
    message(FATAL_ERROR "This build computes other bits than the default build:\n"
        "  this build:    ${this_line}\n"
        "  default build: ${default_line}\n"
        "Compare `stochvar-fingerprint --values` of both builds with diff to find the values "
        "that differ (a default build older than these sources differs too: rebuild it).")
endif()
message("same bits as the default build: ${this_line}")
