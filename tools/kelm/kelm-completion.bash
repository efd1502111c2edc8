# bash completion for kelm. Source it, or install it as
# /usr/share/bash-completion/completions/kelm.
_kelm() {
    local cur prev words cword
    _init_completion 2>/dev/null || { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; }

    local globals="-l --library -u --user --read-only --json -q --quiet --help --version"
    local commands="init celldb symbol padstackdb info schemes partitions items count find exists pins where-used
                    cell-partitions holder reserve release partition delete copy move padstack reload save curator
                    import export check"

    # The command (and its subcommand) typed so far.
    local command="" sub="" i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
            -l|--library|-u|--user|-k|--kind|--format|-o|--output|-p|--partition|-x|--exclude|-s|--scheme|-f|--filter|--from|--to|--as|--file|--flow|--save-every|--pins|--padstacks|--encoding|--delimiter|--users) ((i++)) ;;
            -*) ;;
            *) if [[ -z $command ]]; then command=${words[i]}; elif [[ -z $sub ]]; then sub=${words[i]}; fi ;;
        esac
    done

    case "$prev" in
        -l|--library) COMPREPLY=($(compgen -f -X '!*.qvm' -- "$cur") $(compgen -d -- "$cur")); return ;;
        -k|--kind) if [[ $command == where-used ]]; then COMPREPLY=($(compgen -W "cell symbol padstack" -- "$cur"))
                   else COMPREPLY=($(compgen -W "symbol cell part" -- "$cur")); fi; return ;;
        --encoding) COMPREPLY=($(compgen -W "utf-8 cp1252 latin1 library" -- "$cur")); return ;;
        --delimiter) COMPREPLY=($(compgen -W ", ; tab" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "csv jsonl" -- "$cur")); return ;;
        -o|--output|--file) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        -f) [[ $command == padstack ]] && COMPREPLY=($(compgen -f -- "$cur")); return ;;  # items, count: a filter
    esac

    local options=""
    case "$command" in
        "") COMPREPLY=($(compgen -W "$commands $globals" -- "$cur")); return ;;
        partition) [[ -z $sub ]] && { COMPREPLY=($(compgen -W "add delete" -- "$cur")); return; }
                   options="--kind --default-scheme --no-save" ;;
        curator) [[ -z $sub ]] && { COMPREPLY=($(compgen -W "run refresh" -- "$cur")); return; }
                 options="--flow --kind" ;;
        import) [[ -z $sub ]] && { COMPREPLY=($(compgen -W "parts cells" -- "$cur")); return; }
                options="--format --encoding --delimiter --multiline --partition --reserve --overwrite --strict --dry-run --save-every" ;;
        celldb|symbol) [[ -z $sub ]] && { COMPREPLY=($(compgen -W "add" -- "$cur")); return; }
                       options="--pins --padstacks" ;;
        padstackdb) [[ -z $sub ]] && { COMPREPLY=($(compgen -W "create list" -- "$cur")); return; } ;;
        schemes) options="--default" ;;
        partitions) options="--kind --scheme --paths --keep-extensions" ;;
        items|count) options="--kind --filter" ;;
        exists) options="--kind --partition --exclude" ;;
        pins) options="--kind --partition" ;;
        find|holder|reserve|release) options="--kind" ;;
        delete) options="--kind --partition" ;;
        copy|move) options="--kind --from --to --as --overwrite" ;;
        padstack) options="--file" ;;
        export) options="--kind --format --output" ;;
        where-used) options="--kind" ;;
        check) options="--fail-on-warnings --users" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options $globals" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -F _kelm kelm
