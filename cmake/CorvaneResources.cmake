# corvane_add_resources(TARGET): compiles res/installer.rc into TARGET. The script is kept in UTF-8; windres
# reads it as code page 936, so it is converted to GBK first.
function(corvane_add_resources target)
    set(src ${PROJECT_SOURCE_DIR}/res/installer.rc)
    set(gbk ${CMAKE_CURRENT_BINARY_DIR}/${target}_installer.rc)
    # The files the script names; the compiled resources depend on them. Each skin bitmap has a 200 % twin.
    set(art)
    foreach(name installer.manifest app.ico information.ico error.ico warning.ico question.ico)
        list(APPEND art ${PROJECT_SOURCE_DIR}/res/${name})
    endforeach()
    foreach(name msg_frame msg_close push_button main_background main_minimize main_close progress)
        list(APPEND art ${PROJECT_SOURCE_DIR}/res/${name}.bmp ${PROJECT_SOURCE_DIR}/res/${name}_200.bmp)
    endforeach()
    add_custom_command(OUTPUT ${gbk}
        COMMAND iconv -f UTF-8 -t GBK ${src} -o ${gbk}
        DEPENDS ${src} ${PROJECT_SOURCE_DIR}/res/resource.h ${art}
        COMMENT "Converting the resource script to GBK")
    target_sources(${target} PRIVATE ${gbk})
    set_property(SOURCE ${gbk} APPEND PROPERTY OBJECT_DEPENDS ${art})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/res)
    set_property(TARGET ${target} APPEND PROPERTY COMPILE_OPTIONS $<$<COMPILE_LANGUAGE:RC>:-c936>)
endfunction()
