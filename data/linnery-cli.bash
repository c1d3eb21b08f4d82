# bash completion for linnery-cli: commands, options, and files where a file is expected.
# Plain bash only, so it also works without the bash-completion package.

_linnery_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="sort length-sort reverse shuffle delete delete-matching delete-empty uniq prefix suffix
        csv-fields csv-sort replace-lines cat"
    local options="-o --output --select --focus --codepage --locale --ticks --state --progress --removed
        --help --version --"
    COMPREPLY=()

    # The value of an option.
    case $prev in
    -o | --output | --removed)
        _linnery_cli_files
        return
        ;;
    --codepage)
        mapfile -t COMPREPLY < <(compgen -W "utf-8 cp932 shift_jis euc-jp" -- "$cur")
        return
        ;;
    --locale)
        mapfile -t COMPREPLY < <(compgen -W "ja ja_JP en en_US root" -- "$cur")
        return
        ;;
    --select | --focus | --ticks | --state)
        return
        ;;
    esac

    # What the words before this one were: the command and how many of its arguments followed.
    local i word command='' positional=0 ended=''
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -z $ended && $word == -?* ]]; then
            case $word in -o | --output | --removed | --codepage | --locale | --select | --focus | --ticks | --state)
                ((i++)) ;;
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

_linnery_cli_files() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _linnery_cli linnery-cli
