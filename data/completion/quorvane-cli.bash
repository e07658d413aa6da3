# bash completion for quorvane-cli

_quorvane_cli() {
    local cur prev words cword
    _init_completion || return

    local logs='@(bnx4|BNX4|binx|BINX|bin|BIN|bon|BON|bon4|BON4|bonz|BONZ|bnz4|BNZ4|dtb|DTB)'
    local laps='@(dtb|DTB|csvv|bon|BON|bonz|BONZ|csv|bnx4|BNX4|binx|BINX|bin|BIN|bon4|BON4|bnz4|BNZ4)'
    local lap_options='--cln --line --start --finish --rally --blocks --min-lap-time
        --min-lap-dist --min-sats --sci --auto-circuit --suggest-line --diagnostics --help'

    case $prev in
        --cln)
            _filedir '@(cln|CLN)'
            return
            ;;
        --sci)
            _filedir '@(sci|SCI)'
            return
            ;;
        --blocks)
            COMPREPLY=($(compgen -W 'auto all' -- "$cur"))
            return
            ;;
        --port)
            COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}"))
            return
            ;;
        -o | --out | --dtb)
            _filedir
            return
            ;;
        --slot-a)
            _filedir "$laps"
            return
            ;;
        --line | --start | --finish | --min-lap-time | --min-lap-dist | --min-sats | \
            --align-gate | --at)
            return
            ;;
    esac

    local command=${words[1]}
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'info fixes laps lap compare corners export import-motec device library
            --help --version' -- "$cur"))
        return
    fi

    case $command in
        info | fixes)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--diagnostics --help' -- "$cur"))
            else
                _filedir "$logs"
            fi
            ;;
        laps)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$lap_options --uncertainty" -- "$cur"))
            else
                _filedir "$logs"
            fi
            ;;
        corners)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$lap_options --by-position --sorted" -- "$cur"))
            else
                _filedir "$laps"
            fi
            ;;
        lap | compare)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$lap_options --drift-shown --align-gate --at" -- "$cur"))
            else
                _filedir "$laps"
            fi
            ;;
        export)
            if ((cword == 2)); then
                COMPREPLY=($(compgen -W 'kml nmea' -- "$cur"))
            elif [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$lap_options -o" -- "$cur"))
            else
                _filedir "$laps"
            fi
            ;;
        import-motec)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$lap_options --slot-a --dtb" -- "$cur"))
            else
                _filedir '@(csv|CSV)'
            fi
            ;;
        library)
            if [[ $prev == --db ]]; then
                _filedir
            elif [[ $prev == --from || $prev == --to || $prev == --logger ]]; then
                return
            elif [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--db --from --to --logger --help' -- "$cur"))
            elif [[ " ${words[*]} " == *" add "* ]]; then
                _filedir
            else
                COMPREPLY=($(compgen -W 'add tracks sessions best' -- "$cur"))
            fi
            ;;
        device)
            if ((cword == 2)); then
                COMPREPLY=($(compgen -W 'scan status set-mode set-trigger erase download
                    --help' -- "$cur"))
            elif [[ $prev == set-mode ]]; then
                COMPREPLY=($(compgen -W '20 10 5' -- "$cur"))
            elif [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--port --out --help' -- "$cur"))
            fi
            ;;
    esac
} &&
    complete -F _quorvane_cli quorvane-cli
