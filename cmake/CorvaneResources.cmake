# corvane_add_resources(TARGET): compiles res/installer.rc into TARGET. The script is kept in UTF-8; windres
# reads it as code page 936, so it is converted to GBK first.
function(corvane_add_resources target)
    set(src ${PROJECT_SOURCE_DIR}/res/installer.rc)
    set(gbk ${CMAKE_CURRENT_BINARY_DIR}/${target}_installer.rc)
    file(GLOB art CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*.bmp ${PROJECT_SOURCE_DIR}/res/*.ico
        ${PROJECT_SOURCE_DIR}/res/*.manifest)
    add_custom_command(OUTPUT ${gbk}
        COMMAND iconv -f UTF-8 -t GBK ${src} -o ${gbk}
        DEPENDS ${src} ${PROJECT_SOURCE_DIR}/res/resource.h ${art}
        COMMENT "Converting the resource script to GBK")
    target_sources(${target} PRIVATE ${gbk})
    set_property(SOURCE ${gbk} APPEND PROPERTY OBJECT_DEPENDS ${art})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/res)
    set_property(TARGET ${target} APPEND PROPERTY COMPILE_OPTIONS $<$<COMPILE_LANGUAGE:RC>:-c936>)
endfunction()
