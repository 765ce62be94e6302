#!/bin/sh
# Fails when a module includes a layer it must not know: the core never includes Qt or the
# programs, sim never includes programming, and the lower layers never include the upper ones.
src="$1"
status=0
check() {
    module="$1"; shift
    for forbidden in "$@"; do
        hits=$(grep -rnE "#include [<\"]($forbidden)" "$src/$module" 2>/dev/null)
        if [ -n "$hits" ]; then
            echo "$module must not include $forbidden:"
            echo "$hits"
            status=1
        fi
    done
}
check device 'hexfile/' 'hardware/' 'programming/' 'disasm/' 'sim/' 'cli/' 'app/' 'Q'
check hexfile 'hardware/' 'programming/' 'disasm/' 'sim/' 'cli/' 'app/' 'Q'
check disasm 'hardware/' 'programming/' 'sim/' 'cli/' 'app/' 'Q'
check hardware 'hexfile/' 'programming/' 'disasm/' 'sim/' 'cli/' 'app/' 'Q'
check sim 'hexfile/' 'programming/' 'disasm/' 'cli/' 'app/' 'Q'
check programming 'sim/' 'cli/' 'app/' 'Q'
check cli 'app/' 'Q'
exit $status
