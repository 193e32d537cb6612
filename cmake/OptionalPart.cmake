# Parts of the build that need a package the program itself does not: the tests (GoogleTest)
# and the benchmarks (Google Benchmark). Each is chosen by a cache variable:
#   AUTO  build the part when the package is found, else build the programs without it and
#         say so (the default, so that a plain configure always gives the programs)
#   ON    the part is wanted: a missing package stops the configure, so that a test run never
#         passes for want of tests
#   OFF   leave the part out and do not look for the package
# What was built and what was left out is told by CMake's FeatureSummary at the end of the
# configure (tallyvolt_report_features).
include(FeatureSummary)

# Declares the cache variable NAME (AUTO, ON or OFF; default AUTO) described by HELP. A build
# tree made when these were plain options holds ON or OFF already; it keeps that value.
function(tallyvolt_part_option name help)
    set(${name} AUTO CACHE STRING "${help}: AUTO (when found), ON (required) or OFF")
    set_property(CACHE ${name} PROPERTY STRINGS AUTO ON OFF)
    set_property(CACHE ${name} PROPERTY TYPE STRING)
endfunction()

# Looks for PACKAGE as the cache variable NAME asks. Sets NAME_MODE to AUTO, ON or OFF and
# NAME_ENABLED to TRUE or FALSE, and names PART in the feature summary unless it is OFF.
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
            add_feature_info("${part}" ${name}_ENABLED "${package}")
        else()
            add_feature_info("${part}" ${name}_ENABLED
                             "${package} not found (scripts/install-deps test); -D${name}=ON to require it")
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
        add_feature_info("${part}" ${name}_ENABLED "${package}")
    endif()
endmacro()

# The parts built and the parts left out, as CMake's FeatureSummary lists them.
function(tallyvolt_report_features)
    feature_summary(WHAT ENABLED_FEATURES DESCRIPTION "Built with:" QUIET_ON_EMPTY)
    feature_summary(WHAT DISABLED_FEATURES DESCRIPTION "Left out:" QUIET_ON_EMPTY)
endfunction()
