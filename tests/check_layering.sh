#!/bin/sh
# Fails when a module includes a layer it must not know: the core never includes Qt or the
# programs, sim never includes programming, the lower layers never include the upper ones, and
# only the service (what both programs call) brings programming and the simulator together.
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
check device 'hexfile/' 'hardware/' 'programming/' 'disasm/' 'sim/' 'service/' 'cli/' 'app/' 'Q'
check hexfile 'hardware/' 'programming/' 'disasm/' 'sim/' 'service/' 'cli/' 'app/' 'Q'
check disasm 'hardware/' 'programming/' 'sim/' 'service/' 'cli/' 'app/' 'Q'
check hardware 'hexfile/' 'programming/' 'disasm/' 'sim/' 'service/' 'cli/' 'app/' 'Q'
check sim 'hexfile/' 'programming/' 'disasm/' 'service/' 'cli/' 'app/' 'Q'
check programming 'sim/' 'service/' 'cli/' 'app/' 'Q'
check service 'cli/' 'app/' 'Q'
check cli 'app/' 'Q'
check app 'cli/'
exit $status
