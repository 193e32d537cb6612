# Parts of the build that need a package the program itself does not: the tests (GoogleTest)
# and the benchmarks (Google Benchmark). Each is chosen by a cache variable:
#   AUTO  build the part when the package is found, else build the programs without it and
#         say so (the default, so that a plain configure always gives the programs)
#   ON    the part is wanted: a missing package stops the configure, so that a test run never
#         passes for want of tests
#   OFF   leave the part out and do not look for the package

# Declares the cache variable NAME (AUTO, ON or OFF; default AUTO) described by HELP. A build
# tree made when these were plain options holds ON or OFF already; it keeps that value.
function(tallyvolt_part_option name help)
    set(${name} AUTO CACHE STRING "${help}: AUTO (when found), ON (required) or OFF")
    set_property(CACHE ${name} PROPERTY STRINGS AUTO ON OFF)
    set_property(CACHE ${name} PROPERTY TYPE STRING)
endfunction()

# Looks for PACKAGE as the cache variable NAME asks. Sets NAME_MODE to AUTO, ON or OFF and
# NAME_ENABLED to TRUE or FALSE, and adds PART to TALLYVOLT_LEFT_OUT when AUTO found nothing.
# A macro, so that the package's imported targets are seen in this directory and below.
macro(tallyvolt_find_part name package part)
    string(TOUPPER "${${name}}" ${name}_MODE)
    if(${name}_MODE MATCHES "^(ON|YES|TRUE|Y|1)$")
        set(${name}_MODE ON)
    elseif(${name}_MODE MATCHES "^(OFF|NO|FALSE|N|0)$")
        set(${name}_MODE OFF)
    elseif(NOT ${name}_MODE STREQUAL "AUTO")
        message(FATAL_ERROR "${name} is '${${name}}'; it must be AUTO, ON or OFF")
    endif()
    set(${name}_ENABLED FALSE)
    if(${name}_MODE STREQUAL "AUTO")
        find_package(${package} QUIET)
        if(${package}_FOUND)
            set(${name}_ENABLED TRUE)
        else()
            list(APPEND TALLYVOLT_LEFT_OUT "${part} (${package}, -D${name}=ON to require it)")
        endif()
    elseif(${name}_MODE STREQUAL "ON")
        # Not quiet: CMake's own account of what it looked for comes before the error.
        find_package(${package})
        if(NOT ${package}_FOUND)
            message(FATAL_ERROR "${name} is ON but ${package} was not found. "
                                "scripts/install-deps test installs it; or configure with "
                                "-D${name}=AUTO or OFF.")
        endif()
        set(${name}_ENABLED TRUE)
    endif()
endmacro()

# One line for everything AUTO left out.
function(tallyvolt_report_left_out)
    if(TALLYVOLT_LEFT_OUT)
        list(JOIN TALLYVOLT_LEFT_OUT "; " parts)
        message(STATUS "Not found, so left out: ${parts}. "
                       "scripts/install-deps test installs what they need.")
    endif()
endfunction()
