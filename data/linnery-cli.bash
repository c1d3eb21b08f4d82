# bash completion for linnery-cli: commands, options, and files where a file is expected.
# Plain bash only, so it also works without the bash-completion package.

_linnery_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="sort length-sort reverse shuffle delete delete-matching delete-empty uniq prefix suffix
        csv-fields csv-sort replace-lines cat"
    local options="-o --output --select --focus --codepage --locale --threads --ticks --state --progress --removed
        --help --version --"
    COMPREPLY=()

    # "--opt=value": bash splits it at "=" unless COMP_WORDBREAKS lacks it, and then completes only what
    # follows the "=" (a value is matched as typed, the option name stays on the line).
    if [[ $cur == "=" && $prev == --* ]]; then
        cur=
        _linnery_cli_value "$prev"
        return
    elif [[ $prev == "=" && ${COMP_WORDS[COMP_CWORD - 2]} == --* ]]; then
        _linnery_cli_value "${COMP_WORDS[COMP_CWORD - 2]}"
        return
    elif [[ $cur == --*=* ]]; then
        local option=${cur%%=*} i
        cur=${cur#*=}
        _linnery_cli_value "$option"
        for i in "${!COMPREPLY[@]}"; do COMPREPLY[i]=$option=${COMPREPLY[i]}; done
        return
    fi
    _linnery_cli_value "$prev" && return

    # What the words before this one were: the command and how many of its arguments followed.
    local i word command='' positional=0 ended=''
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -z $ended && $word == -?* ]]; then
            case $word in -o | --output | --removed | --codepage | --locale | --threads | --select | --focus | --ticks | --state)
                # the value, written behind a space or behind "="
                if [[ ${COMP_WORDS[i + 1]} == "=" ]]; then ((i += 2)); else ((i++)); fi ;;
            esac
        elif [[ -z $command ]]; then
            command=$word
        else
            ((positional++))
        fi
    done

    if [[ -z $ended && $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
    else
        # TEXT, K, SEARCH and REPLACEMENT are typed; files come after them.
        local texts=0
        case $command in
        delete-matching | prefix | suffix | csv-sort) texts=1 ;;
        replace-lines) texts=2 ;;
        esac
        ((positional >= texts)) && _linnery_cli_files
    fi
}

# The values of the option $1 that take $cur further; false when $1 takes no value.
_linnery_cli_value() {
    case $1 in
    -o | --output | --removed)
        _linnery_cli_files
        ;;
    --codepage)
        mapfile -t COMPREPLY < <(compgen -W "utf-8 cp932 shift_jis euc-jp" -- "$cur")
        ;;
    --locale)
        mapfile -t COMPREPLY < <(compgen -W "ja ja_JP en en_US root" -- "$cur")
        ;;
    --select | --focus | --threads | --ticks | --state) ;;
    *) return 1 ;;
    esac
}

_linnery_cli_files() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _linnery_cli linnery-cli
