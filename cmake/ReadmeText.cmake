cmake_minimum_required(VERSION 3.20)
# Makes readme.txt, the user's instructions that the About box names, from README.md: the
# introduction and the sections a user needs, as plain text with CRLF line ends, so that it
# reads right in Notepad and can never drift from the README.
#   cmake -DREADME=README.md -DOUTPUT=readme.txt -P cmake/ReadmeText.cmake

# The README's sections (level-2 headings) that go in, in the README's order, and the
# subsections (level-3 headings) that stay out: building and testing are the developers'.
set(kSections
    "The window"
    "Windows"
    "Settings"
    "The log"
    "Reports: tallyvolt-report"
    "When things go wrong"
    "One copy at a time"
    "Exit status")
set(kLeftOut "Building the Windows files")

file(READ "${README}" text)
# CMake's lists split at semicolons and keep bracketed runs whole: both stand in as control
# characters while the text is a list of lines.
string(ASCII 1 kSemicolon)
string(ASCII 2 kOpen)
string(ASCII 3 kClose)
string(REPLACE ";" "${kSemicolon}" text "${text}")
string(REPLACE "[" "${kOpen}" text "${text}")
string(REPLACE "]" "${kClose}" text "${text}")
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\n" ";" lines "${text}")

set(out "")
set(taking ON) # the introduction, under the title
set(inCode OFF)
set(lastBlank ON)
foreach(line IN LISTS lines)
    if(line MATCHES "^## (.*)$")
        list(FIND kSections "${CMAKE_MATCH_1}" found)
        if(found EQUAL -1)
            set(taking OFF)
        else()
            set(taking ON)
        endif()
        set(heading "${CMAKE_MATCH_1}")
        set(underline "=")
    elseif(line MATCHES "^### (.*)$" AND taking)
        set(heading "${CMAKE_MATCH_1}")
        set(underline "-")
        list(FIND kLeftOut "${heading}" found)
        if(NOT found EQUAL -1)
            set(skippingSub ON)
            continue()
        endif()
        set(skippingSub OFF)
    elseif(line MATCHES "^# (.*)$")
        set(heading "${CMAKE_MATCH_1}")
        set(underline "=")
    else()
        set(heading "")
    endif()
    if(heading AND line MATCHES "^## ")
        set(skippingSub OFF)
    endif()
    if(NOT taking OR skippingSub)
        continue()
    endif()

    if(heading)
        string(LENGTH "${heading}" length)
        string(REPEAT "${underline}" ${length} rule)
        if(NOT lastBlank)
            list(APPEND out "")
        endif()
        list(APPEND out "${heading}" "${rule}" "")
        set(lastBlank ON)
        continue()
    endif()

    # Code blocks: indented, as they are.
    if(line MATCHES "^ *```")
        if(inCode)
            set(inCode OFF)
        else()
            set(inCode ON)
        endif()
        continue()
    endif()
    if(inCode)
        list(APPEND out "    ${line}")
        set(lastBlank OFF)
        continue()
    endif()

    # Pictures are the README's, not the text's.
    if(line MATCHES "^ *!${kOpen}")
        continue()
    endif()
    # Tables: the cells of a row side by side, without the rule under the header.
    if(line MATCHES "^\\|[-| ]*\\|$")
        continue()
    endif()
    if(line MATCHES "^\\| (.*) \\|$")
        string(REPLACE " | " " -- " line "  ${CMAKE_MATCH_1}")
    endif()
    # Links: a link within the README is its text; one elsewhere keeps its address.
    string(REGEX REPLACE "${kOpen}([^${kClose}]*)${kClose}\\(#[^)]*\\)" "\\1" line "${line}")
    string(REGEX REPLACE "${kOpen}([^${kClose}]*)${kClose}\\(([^)]*)\\)" "\\1 (\\2)" line
                         "${line}")
    string(REPLACE "**" "" line "${line}")
    string(REPLACE "`" "" line "${line}")
    # The few signs outside ASCII, so that every Windows version's Notepad reads the file.
    string(REPLACE "· " "* " line "${line}")
    string(REPLACE "Σ " "sum of " line "${line}")
    string(REPLACE "×" "x" line "${line}")

    if(line STREQUAL "")
        if(lastBlank)
            continue()
        endif()
        set(lastBlank ON)
    else()
        set(lastBlank OFF)
    endif()
    list(APPEND out "${line}")
endforeach()
if(lastBlank)
    list(POP_BACK out)
endif()

string(REPLACE ";" "\r\n" text "${out}")
string(REPLACE "${kSemicolon}" ";" text "${text}")
string(REPLACE "${kOpen}" "[" text "${text}")
string(REPLACE "${kClose}" "]" text "${text}")
file(WRITE "${OUTPUT}" "${text}\r\n")
