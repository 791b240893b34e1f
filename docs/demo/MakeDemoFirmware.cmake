# Writes the demo firmware that scripts/run offers next to the program: a small Motorola S-record
# file (S0 header, S3 data records, S7 end) that loads like a real one and updates the simulated
# controller in a few seconds. It is not a program for any real controller.
#   cmake -DOUTPUT=demo-firmware.hex -P MakeDemoFirmware.cmake
#
# Contents: a text banner at 0x100000 (sector 0) and 8 KiB of pseudo-random bytes at 0x110000
# (sector 4, whose checksum the controller reports), 32 data bytes per record: 2 sectors to erase
# and 259 blocks to write.
cmake_minimum_required(VERSION 3.25)

if(NOT OUTPUT)
    message(FATAL_ERROR "usage: cmake -DOUTPUT=file.hex -P MakeDemoFirmware.cmake")
endif()

set(digits "0123456789ABCDEF")
set(banner "BRENVALDOR DEMO FIRMWARE - FOR THE SIMULATOR ONLY, NOT FOR A REAL CONTROLLER.")
set(random_start 0x110000)
set(random_bytes 8192)
set(record_bytes 32)

function(hex_byte value out)
    math(EXPR high "(${value} >> 4) & 15")
    math(EXPR low "${value} & 15")
    string(SUBSTRING "${digits}" ${high} 1 h)
    string(SUBSTRING "${digits}" ${low} 1 l)
    set(${out} "${h}${l}" PARENT_SCOPE)
endfunction()

# One record: type, the address bytes (most significant first) and the data bytes, as numbers.
# The count covers address, data and checksum; the checksum is the ones' complement of the sum of
# count, address and data.
function(srecord type address_bytes data_bytes out)
    list(LENGTH address_bytes address_length)
    list(LENGTH data_bytes data_length)
    math(EXPR count "${address_length} + ${data_length} + 1")
    set(sum ${count})
    hex_byte(${count} line)
    set(line "S${type}${line}")
    foreach(byte IN LISTS address_bytes data_bytes)
        math(EXPR sum "${sum} + ${byte}")
        hex_byte(${byte} h)
        string(APPEND line "${h}")
    endforeach()
    math(EXPR checksum "255 - (${sum} & 255)")
    hex_byte(${checksum} h)
    set(${out} "${line}${h}" PARENT_SCOPE)
endfunction()

function(address32 address out)
    math(EXPR b3 "(${address} >> 24) & 255")
    math(EXPR b2 "(${address} >> 16) & 255")
    math(EXPR b1 "(${address} >> 8) & 255")
    math(EXPR b0 "${address} & 255")
    set(${out} ${b3} ${b2} ${b1} ${b0} PARENT_SCOPE)
endfunction()

# Data records for a list of byte values starting at an address, one pass over the list.
function(data_records start bytes out)
    set(text "")
    set(chunk "")
    set(address ${start})
    foreach(byte IN LISTS bytes)
        list(APPEND chunk ${byte})
        list(LENGTH chunk length)
        if(length EQUAL record_bytes)
            address32(${address} address_bytes)
            srecord(3 "${address_bytes}" "${chunk}" line)
            string(APPEND text "${line}\n")
            math(EXPR address "${address} + ${record_bytes}")
            set(chunk "")
        endif()
    endforeach()
    list(LENGTH chunk length)
    if(length GREATER 0)
        address32(${address} address_bytes)
        srecord(3 "${address_bytes}" "${chunk}" line)
        string(APPEND text "${line}\n")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The header record carries the file's name; its address is 0000.
set(name_bytes "")
string(HEX "demo-firmware.hex" name_hex)
string(LENGTH "${name_hex}" name_hex_length)
math(EXPR name_last "${name_hex_length} - 2")
foreach(i RANGE 0 ${name_last} 2)
    string(SUBSTRING "${name_hex}" ${i} 2 pair)
    math(EXPR byte "0x${pair}")
    list(APPEND name_bytes ${byte})
endforeach()
srecord(0 "0;0" "${name_bytes}" header)

set(banner_bytes "")
string(HEX "${banner}" banner_hex)
string(LENGTH "${banner_hex}" banner_hex_length)
math(EXPR banner_last "${banner_hex_length} - 2")
foreach(i RANGE 0 ${banner_last} 2)
    string(SUBSTRING "${banner_hex}" ${i} 2 pair)
    math(EXPR byte "0x${pair}")
    list(APPEND banner_bytes ${byte})
endforeach()
data_records(0x100000 "${banner_bytes}" banner_records)

# A fixed linear congruential sequence: the same file on every build.
set(random "")
set(state 20240611)
math(EXPR random_last "${random_bytes} - 1")
foreach(i RANGE ${random_last})
    math(EXPR state "(${state} * 1103515245 + 12345) & 2147483647")
    math(EXPR byte "(${state} >> 16) & 255")
    list(APPEND random ${byte})
endforeach()
data_records(${random_start} "${random}" random_records)

address32(0x100000 entry)
srecord(7 "${entry}" "" trailer)

file(WRITE "${OUTPUT}.tmp" "${header}\n${banner_records}${random_records}${trailer}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
