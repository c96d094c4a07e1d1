# Writes a compressed man page from a program's own --help (cmake -P): help2man reads the
# program's help and options; for the warbler command each subcommand's help joins as a section,
# so that the page and `--help` never tell two stories.
#   -DPROGRAM=path -DNAME=summary -DVERSION=x.y.z -DOUT=file.1.gz [-DSUBCOMMANDS=a,b,c]
set(page ${OUT})
string(REGEX REPLACE "\\.gz$" "" page "${page}")
set(include)
if(SUBCOMMANDS)
    set(include_file ${page}.include)
    set(include --include=${include_file})
    file(WRITE ${include_file} "[COMMANDS]\n")
    string(REPLACE "," ";" SUBCOMMANDS "${SUBCOMMANDS}")
    foreach(command IN LISTS SUBCOMMANDS)
        execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE help
                        COMMAND_ERROR_IS_FATAL ANY)
        # The first line is the command's summary; the usage and options follow.
        string(REPLACE "\\" "\\e" help "${help}")
        string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
        file(APPEND ${include_file} ".TP\n.B ${command}\n.nf\n${help}\n.fi\n")
    endforeach()
endif()
execute_process(
    COMMAND help2man --no-info --no-discard-stderr --version-string=${VERSION} --name=${NAME}
            ${include} --output=${page} ${PROGRAM}
    COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND gzip -9nf ${page} COMMAND_ERROR_IS_FATAL ANY)
